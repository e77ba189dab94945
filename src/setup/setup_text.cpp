#include "setup/setup_text.h"

#include "base/multi_list.h"
#include "base/number_text.h"
#include "base/text_codec.h"
#include "setup/web_services.h"

namespace setup {
namespace {

constexpr wchar_t kDescriptorPath[] = L"/depotron/version/";
constexpr wchar_t kDescriptorSuffix[] = L".ini";
constexpr wchar_t kStatusCheckPath[] = L"/kakonotify_send/setup_check.cgi";
constexpr wchar_t kInstallerPath[] = L"/depotron/installer/Depotron/";
constexpr wchar_t kInstallerSuffix[] = L"/VarnelDepotron.msi";

constexpr wchar_t kLicenseSection[] = L"[License]";
constexpr wchar_t kVersionLine[] = L"\n0=";

constexpr wchar_t kStatusComplete[] = L"##COMPLETE##";
constexpr wchar_t kStatusError[] = L"##ERROR##";

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

std::wstring HttpAddress(const wchar_t* host, const std::wstring& object) {
  return std::wstring(L"http://") + host + object;
}

}  // namespace

bool StartsLikeInstallerPackage(const std::string& head) {
  static constexpr char kSignature[kInstallerSignatureLength] = {
      '\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  return head.size() >= kInstallerSignatureLength &&
         head.compare(0, kInstallerSignatureLength, kSignature, kInstallerSignatureLength) == 0;
}

std::wstring EncodeUrlComponent(const std::wstring& text) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  const std::string bytes = codec::Encode(text, codec::CodePage::kUtf8);
  std::wstring encoded;
  encoded.reserve(bytes.size());
  for (char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    if (IsUnreserved(c)) {
      encoded.push_back(static_cast<wchar_t>(c));
    } else {
      encoded.push_back(L'%');
      encoded.push_back(kHex[c >> 4]);
      encoded.push_back(kHex[c & 0x0F]);
    }
  }
  return encoded;
}

std::wstring BuildDescriptorAddress(const std::wstring& delivery_group) {
  return HttpAddress(kDeliveryHost,
                     kDescriptorPath + EncodeUrlComponent(delivery_group) + kDescriptorSuffix);
}

std::wstring BuildStatusCheckAddress(const std::wstring& send_box_id,
                                     const std::wstring& send_box_password) {
  return HttpAddress(kStatusHost, std::wstring(kStatusCheckPath) + L"?userid=" +
                                      EncodeUrlComponent(send_box_id) + L"&password=" +
                                      EncodeUrlComponent(send_box_password));
}

std::wstring ExtractDepotronVersion(const CBinary& descriptor) {
  const std::wstring text = descriptor.ToAnsiText(0, 0);
  const std::size_t license = text.find(kLicenseSection);
  if (license == std::wstring::npos) return std::wstring();
  const std::size_t line = text.find(kVersionLine, license + 1);
  if (line == std::wstring::npos) return std::wstring();
  const std::size_t first = line + 3;
  std::size_t end = text.find(L'\n', first);
  if (end == std::wstring::npos) end = text.size();
  if (end > first && text[end - 1] == L'\r') --end;
  return text.substr(first, end - first);
}

bool IsPassiveUpdateVersion(const std::wstring& version) {
  CMultiStringList parts;
  if (parts.SplitCsv(version.c_str(), L'.') != 3) return false;
  if (ParseDecimalLikeWtoi(parts.GetTextAt(0)) < 5) return false;
  return ParseDecimalLikeWtoi(parts.GetTextAt(1)) >= 2;
}

std::wstring BuildInstallerAddress(const CBinary& descriptor) {
  const std::wstring version = ExtractDepotronVersion(descriptor);
  if (version.empty()) return std::wstring();
  return HttpAddress(kDeliveryHost, kInstallerPath + version + kInstallerSuffix);
}

StatusVerdict JudgeStatusAnswer(const std::wstring& answer) {
  StatusVerdict verdict;
  if (answer.find(kStatusComplete) != std::wstring::npos) {
    verdict.kind = StatusVerdict::kAccepted;
    return verdict;
  }
  // A marker at the very start is not the service's error report.
  const std::size_t marker = answer.find(kStatusError);
  if (marker == std::wstring::npos || marker == 0) return verdict;
  const std::size_t blank = answer.find(L' ', marker);
  const std::size_t bracket = answer.find(L'<', marker);
  if (blank == std::wstring::npos || bracket == std::wstring::npos) return verdict;
  verdict.kind = StatusVerdict::kRefused;
  // A "<" before the blank leaves no room for a reason.
  if (bracket > blank + 1) verdict.detail = answer.substr(blank + 1, bracket - blank - 1);
  return verdict;
}

std::wstring SendBoxRefusedMessage(const std::wstring& detail) {
  return L"ステイタス通知用 送信BOXが利用できません\n ( ※" + detail + L" )";
}

}  // namespace setup
