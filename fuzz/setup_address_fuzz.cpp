// What the technician types goes into the two request addresses: whatever
// it is, it stays data. The encoded text holds only unreserved characters
// and %XX, decodes to the UTF-8 of the input, and the addresses keep their
// one host, path and query parameters.

#include <string>

#include "fuzz_support.h"
#include "setup/setup_text.h"
#include "setup/web_services.h"

namespace {

bool IsUnreserved(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
         c == L'-' || c == L'.' || c == L'_' || c == L'~';
}

int Hex(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;  // only capital digits are written
}

// The bytes an encoded text stands for; false when it is not well formed.
bool Decode(const std::wstring& encoded, std::string& bytes) {
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (IsUnreserved(encoded[i])) {
      bytes.push_back(static_cast<char>(encoded[i]));
      continue;
    }
    if (encoded[i] != L'%' || i + 2 >= encoded.size() || Hex(encoded[i + 1]) < 0 ||
        Hex(encoded[i + 2]) < 0) {
      return false;
    }
    bytes.push_back(static_cast<char>(Hex(encoded[i + 1]) * 16 + Hex(encoded[i + 2])));
    i += 2;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::wstring id = input.Wide(input.Byte());
  const std::wstring rest = input.RestWide();

  for (const std::wstring* text : {&id, &rest}) {
    const std::wstring encoded = setup::EncodeUrlComponent(*text);
    std::string bytes;
    FUZZ_CHECK(Decode(encoded, bytes));
    FUZZ_CHECK(bytes == codec::Encode(*text, codec::CodePage::kUtf8));
  }

  const std::wstring check = setup::BuildStatusCheckAddress(id, rest);
  const std::wstring check_head =
      std::wstring(L"http://") + setup::kStatusHost + L"/kakonotify_send/setup_check.cgi?userid=";
  FUZZ_CHECK(check.compare(0, check_head.size(), check_head) == 0);
  FUZZ_CHECK(check.find(L'?') == check_head.size() - 8);
  FUZZ_CHECK(check.find(L'&') == check.rfind(L'&') && check.find(L"&password=") != std::wstring::npos);
  FUZZ_CHECK(check.find(L'#') == std::wstring::npos);

  const std::wstring descriptor = setup::BuildDescriptorAddress(rest);
  const std::wstring descriptor_head =
      std::wstring(L"http://") + setup::kDeliveryHost + L"/depotron/version/";
  FUZZ_CHECK(descriptor.compare(0, descriptor_head.size(), descriptor_head) == 0);
  const std::wstring group = descriptor.substr(descriptor_head.size());
  FUZZ_CHECK(group.size() >= 4 && group.compare(group.size() - 4, 4, L".ini") == 0);
  FUZZ_CHECK(group.find_first_of(L"/?#&") == std::wstring::npos);
  return 0;
}
