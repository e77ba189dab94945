// Registry paths and stored values as anyone may have left them: a path
// splits into pieces that put together give the path again, and a value is
// text only when its bytes say so, never read beyond them.

#include <vector>

#include "fuzz_support.h"
#include "sysops/registry_path_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint32_t type = input.Byte() % 6;
  const std::size_t value_bytes = input.Unit() % 2600;
  const std::string stored = input.Bytes(value_bytes);
  const std::wstring path = input.RestWide();

  // Copied so that the sanitizer sees exactly the bytes the registry gave.
  const std::vector<std::uint8_t> block(stored.begin(), stored.end());
  const auto text = sysops::TextFromRegistryData(type, block.empty() ? nullptr : block.data(),
                                                 block.size());
  if (text) {
    FUZZ_CHECK(type == sysops::kRegTypeText || type == sysops::kRegTypeExpandText);
    FUZZ_CHECK(block.size() <= sysops::kMaxRegistryTextBytes);
    FUZZ_CHECK(text->find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(text->size() * 2 < block.size() || block.empty());
  }

  const auto split = sysops::SplitRegistryPath(path);
  const std::size_t first = path.find(L'\\');
  FUZZ_CHECK(split.has_value() == (first != std::wstring::npos));
  if (!split) return 0;
  FUZZ_CHECK(split->value_name.find(L'\\') == std::wstring::npos);
  const std::wstring hive = path.substr(0, first);
  FUZZ_CHECK((split->hive == sysops::RegistryHive::kLocalMachine) == (hive == L"HKEY_LOCAL_MACHINE"));
  std::wstring joined = hive + L"\\";
  if (!split->key_path.empty()) joined += split->key_path + L"\\";
  joined += split->value_name;
  // "HIVE\\Value" (an empty key between two backslashes) is the one path that
  // does not come back: the empty key names the root key either way.
  if (joined != path) FUZZ_CHECK(split->key_path.empty() && path == hive + L"\\\\" + split->value_name);
  return 0;
}
