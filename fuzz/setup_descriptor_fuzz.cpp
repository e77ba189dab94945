// The delivery descriptor as the delivery server may send it: the version
// read out of any bytes holds no line feed and ignores what follows the
// first zero byte, the installer address is the fixed one around it, and
// the version test on three plain numbers is what it says.

#include <climits>
#include <cwchar>

#include "base/binary.h"
#include "fuzz_support.h"
#include "setup/setup_text.h"
#include "setup/web_services.h"

namespace {

CBinary Buffer(const std::string& bytes) {
  CBinary b;
  b.SetData(bytes.data(), static_cast<int>(bytes.size()));
  return b;
}

// Digits only, at most 12 of them.
std::wstring Digits(fuzz::Input& input) {
  std::wstring digits;
  for (std::uint8_t n = input.Byte() % 13; n > 0; --n) {
    digits.push_back(static_cast<wchar_t>(L'0' + input.Byte() % 10));
  }
  return digits;
}

long long Number(const std::wstring& digits) {
  const long long v = std::wcstoll(digits.c_str(), nullptr, 10);
  return v > INT_MAX ? INT_MAX : v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::wstring a = Digits(input), b = Digits(input), c = Digits(input);
  const std::string bytes = input.RestBytes();

  const CBinary descriptor = Buffer(bytes);
  const std::wstring version = setup::ExtractDepotronVersion(descriptor);
  FUZZ_CHECK(version.find(L'\n') == std::wstring::npos);
  FUZZ_CHECK(version.find(L'\0') == std::wstring::npos);
  // Only the text before the first zero byte counts.
  const CBinary longer = Buffer(bytes + std::string(1, '\0') + "[License]\n0=9.9.9\n");
  FUZZ_CHECK(setup::ExtractDepotronVersion(longer) == version);

  const std::wstring address = setup::BuildInstallerAddress(descriptor);
  if (version.empty()) {
    FUZZ_CHECK(address.empty());
  } else {
    const std::wstring head = std::wstring(L"http://") + setup::kDeliveryHost + L"/depotron/installer/Depotron/";
    FUZZ_CHECK(address == head + version + L"/VarnelDepotron.msi");
  }
  setup::IsPassiveUpdateVersion(version);

  // Three plain numbers: 5.2 and later in the first two parts.
  const std::wstring three = a + L"." + b + L"." + c;
  const bool passive = setup::IsPassiveUpdateVersion(three);
  FUZZ_CHECK(passive == (Number(a) >= 5 && Number(b) >= 2));
  FUZZ_CHECK(!setup::IsPassiveUpdateVersion(a + L"." + b));
  FUZZ_CHECK(!setup::IsPassiveUpdateVersion(three + L"." + c));
  return 0;
}
