#include "sysops/registry_path_text.h"

#include "base/text_codec.h"

namespace sysops {

std::optional<RegistryPath> SplitRegistryPath(std::wstring_view path) {
  const std::size_t first = path.find(L'\\');
  if (first == std::wstring_view::npos) return std::nullopt;  // also empty
  const std::size_t last = path.rfind(L'\\');

  RegistryPath result;
  result.hive = path.substr(0, first) == L"HKEY_LOCAL_MACHINE"
                    ? RegistryHive::kLocalMachine
                    : RegistryHive::kCurrentUser;
  if (last > first) result.key_path = std::wstring(path.substr(first + 1, last - first - 1));
  result.value_name = std::wstring(path.substr(last + 1));
  return result;
}

std::optional<std::wstring> TextFromRegistryData(std::uint32_t type,
                                                 const std::uint8_t* data,
                                                 std::size_t byte_count) {
  if (type != kRegTypeText && type != kRegTypeExpandText) return std::nullopt;
  if (byte_count == 0) return std::wstring();
  if (data == nullptr || byte_count > kMaxRegistryTextBytes || byte_count % 2 != 0) {
    return std::nullopt;
  }
  // A value written without its terminator would otherwise run into
  // whatever follows it in the buffer.
  if (data[byte_count - 2] != 0 || data[byte_count - 1] != 0) return std::nullopt;

  std::wstring text = codec::FromUtf16LeBytes(data, byte_count);
  text.resize(text.find(L'\0'));  // the terminator checked above guarantees one
  return text;
}

}  // namespace sysops
