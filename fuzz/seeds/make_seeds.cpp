// Writes the seed corpora of the fuzz targets from the listings and texts
// the tests use, in each target's input layout. Run once after a layout or
// listing changes; the output is kept in fuzz/corpus/:
//   cmake --build build/native --target vts_fuzz_seeds
//   build/native/fuzz/vts_fuzz_seeds fuzz/corpus

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "dism_listing.h"
#include "power_plan_listing.h"

namespace {

std::string root;

std::string Utf16(const std::wstring& text) {
  const std::vector<std::uint8_t> bytes = codec::ToUtf16LeBytes(text);
  return std::string(bytes.begin(), bytes.end());
}

std::string Ansi(const std::wstring& text) { return codec::Encode(text, codec::CodePage::kThreadAnsi); }

std::string U16(unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::string dir = root + "/" + target;
  mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

void PowerSeeds() {
  const std::string number;
  power_listing::TimeOuts balanced;
  Write("power_listing_fuzz", "balanced-ja", number + Utf16(power_listing::Listing(balanced)));
  power_listing::TimeOuts never{0, 0, 0, 0, 0, 0, 0, 0, true};
  Write("power_listing_fuzz", "never-ja", number + Utf16(power_listing::Listing(never)));
  power_listing::TimeOuts no_hibernate = never;
  no_hibernate.hibernation_available = false;
  Write("power_listing_fuzz", "no-hibernation-ja",
        number + Utf16(power_listing::Listing(no_hibernate)));
  Write("power_listing_fuzz", "balanced-en",
        number + Utf16(power_listing::Listing(balanced, power_listing::English())));
  Write("power_listing_fuzz", "alias-only", Utf16(L"SUB_SLEEP"));
}

void DismSeeds() {
  Write("dism_feature_list_fuzz", "iot-both-enabled",
        Utf16(dism_listing::IotListing(L"Enabled", L"Enabled")));
  Write("dism_feature_list_fuzz", "iot-pending",
        Utf16(dism_listing::IotListing(L"Enable Pending", L"Disabled")));
  Write("dism_feature_list_fuzz", "pro", Utf16(dism_listing::ProListing()));
  Write("dism_feature_list_fuzz", "refusal", Utf16(dism_listing::RefusalText()));
}

void RegistrySeeds() {
  auto seed = [](const char* name, unsigned type, const std::string& value, const std::wstring& path) {
    Write("registry_path_fuzz", name, std::string(1, static_cast<char>(type)) + U16(value.size()) +
                                          value + Utf16(path));
  };
  seed("winlogon-text", 1, Utf16(std::wstring(L"1") + L'\0'),
       L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\AutoAdminLogon");
  seed("product-name", 1, Utf16(std::wstring(L"Windows 10 IoT Enterprise") + L'\0'),
       L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProductName");
  seed("japanese-expand", 2, Utf16(std::wstring(L"%ProgramData%\\\u8a2d\u5b9a") + L'\0'),
       L"HKEY_CURRENT_USER\\\u8a2d\u5b9a\\\u958b\u59cb");
  seed("unterminated", 1, Utf16(L"no terminator"), L"HKEY_CURRENT_USER\\\\A\\\\B");
  seed("dword", 4, std::string("\x01\x00\x00\x00", 4), L"HKEY_LOCAL_MACHINE\\Value");
}

void IniSeeds() {
  const std::wstring send =
      L"[MAIN]\r\nID=box01\r\nPASS=\"p a s s \"\r\nGROUP=\u51e6\u7406\u7ba1\u7406\r\n";
  Write("ini_file_fuzz", "send-box-ansi", std::string(1, 0) + Ansi(send));
  Write("ini_file_fuzz", "send-box-unicode", std::string(1, 1) + Utf16(send));
  Write("ini_file_fuzz", "grammar-ansi",
        std::string(1, 0) +
            Ansi(L"; comment\r\n:also\r\nk=before any section\r\n[S]\r\na=1\r\na=2\r\n"
                 L" ;k = v \r\nq=\"x\"\r\nr=\"x\r\ns=x\"\r\nt=\"\r\nu=\r\n[S2]   \r\nB=tab\t\r\n"
                 L"[unclosed\r\nlast=no line end"));
  Write("ini_file_fuzz", "ctrl-z-ansi", std::string(1, 0) + "[S]\r\nc=x\x1A y\r\nd=after\r\n");
  Write("ini_file_fuzz", "surrogates-unicode",
        std::string(1, 1) + Utf16(L"[\u8a2d\u5b9a]\r\n\u540d\u524d=\u5024\xD83D\xDE00\r\n"));
}

void UrlSeeds() {
  auto seed = [](const char* name, unsigned char given_flags, const std::wstring& given,
                 unsigned char hop_flags, const std::wstring& hop, bool same) {
    std::string bytes(1, static_cast<char>(given.size()));
    bytes += static_cast<char>(given_flags);
    bytes += Utf16(given);
    bytes += static_cast<char>(hop_flags);
    bytes += Utf16(hop);
    bytes += static_cast<char>(same ? 1 : 0);
    Write("url_authority_fuzz", name, bytes);
  };
  // flags: bit 0 https, bits 1-2 port 80 / 443 / given
  seed("http-to-https", 0, L"delivery.example.jp", 3, L"delivery.example.jp", true);
  seed("other-host", 0, L"delivery.example.jp", 0, L"elsewhere.example", false);
  seed("letter-case", 0, L"Delivery.Example.JP", 0, L"delivery.example.jp", false);
}

void BinarySeeds() {
  auto seed = [](const char* name, const std::string& needle, const std::string& content,
                 const std::string& positions, const std::wstring& hex) {
    Write("binary_fuzz", name, std::string(1, static_cast<char>(needle.size())) + needle +
                                   U16(content.size()) + content + positions + Utf16(hex));
  };
  const std::string descriptor =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<depotron version=\"3.2.1\">\r\n";
  seed("ansi-lines", "\r\n", descriptor, std::string("\x02\x10\x00\x02\x00\x00\x03\x00\x00", 9),
       L"0a0d 3g-1");
  seed("wide-text", std::string("\n\0", 2), Utf16(L"\u30c6\u30b9\u30c8\r\nline\r\n"),
       std::string("\x00\x01\x02\x04\x00\x06", 6), L"ff00fe");
  seed("utf8", "\xE3\x81", "\xE3\x81\x82\xE3\x81\x84\n", std::string("\x05\x09\x02\x02\x00", 5),
       L"e38182");
}

void StringListSeeds() {
  Write("string_list_fuzz", "csv", std::string(1, 0) + Utf16(L" a , \"b,\"\"c\"\" \" ,,\"d"));
  Write("string_list_fuzz", "plain", std::string(1, 1) + Utf16(L";x;;y;"));
  Write("string_list_fuzz", "japanese", std::string(1, 0) + Utf16(L"\u540d\u524d,\u5024\xD83D\xDE00,"));
}

void NumberSeeds() {
  Write("number_text_fuzz", "index", std::string(1, 1) + Utf16(L"0x00000708"));
  Write("number_text_fuzz", "blanks-sign", std::string(1, 0) + Utf16(L" \t\u3000-2147483649x"));
  Write("number_text_fuzz", "ini-count", std::string(1, 0) + Utf16(L"100001"));
  Write("number_text_fuzz", "saturating", std::string(1, 1) + Utf16(L"  -0x80000001"));
}

void SetupSeeds() {
  const std::string digits = std::string("\x01\x05\x01\x02\x01\x00", 6);
  Write("setup_descriptor_fuzz", "license",
        digits + "[Depotron]\r\n0=1.0.0\r\nName=Varnel\r\n[License]\r\n10=9.9.9\r\n0=5.2.0\r\n1=x\r\n");
  Write("setup_descriptor_fuzz", "lf-only", digits + "[License]\n0=5.10.3\n");
  Write("setup_descriptor_fuzz", "zero-byte", digits + std::string("[License]\r\n0=5.2\0.0\r\n", 21));
  Write("setup_status_answer_fuzz", "complete", "<html><body>##COMPLETE##</body></html>\r\n");
  Write("setup_status_answer_fuzz", "refused",
        Ansi(L"<html><body>##ERROR## \u9001\u4fe1BOX\u304c\u3042\u308a\u307e\u305b\u3093<br></body></html>"));
  Write("setup_status_answer_fuzz", "error-first", "##ERROR## x<");
  Write("setup_address_fuzz", "inputs",
        std::string(1, 6) + Utf16(L"box&01") + Utf16(L"pa ss/..#?%+=\u65e5\xD83D\xDE00"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s corpus-dir\n", argv[0]);
    return 2;
  }
  root = argv[1];
  mkdir(root.c_str(), 0755);
  PowerSeeds();
  DismSeeds();
  RegistrySeeds();
  IniSeeds();
  UrlSeeds();
  BinarySeeds();
  StringListSeeds();
  NumberSeeds();
  SetupSeeds();
  return 0;
}
