#pragma once
// The text half of the registry operations: how one path string names hive,
// key and value, and which stored bytes count as a readable text value. No
// Windows calls here, so both rules are exercised natively as well.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sysops {

enum class RegistryHive {
  kLocalMachine,
  kCurrentUser,
};

struct RegistryPath {
  RegistryHive hive = RegistryHive::kCurrentUser;
  std::wstring key_path;    // empty: the hive's root key itself
  std::wstring value_name;  // empty: the key's default value
};

// "HIVE\key\path\Value". Only the exact, case-sensitive "HKEY_LOCAL_MACHINE"
// selects the local machine; every other hive text means the current user.
// Empty text or text without a backslash names nothing.
[[nodiscard]] std::optional<RegistryPath> SplitRegistryPath(std::wstring_view path);

// Largest text value read, in bytes: 1023 characters and the terminator.
inline constexpr std::size_t kMaxRegistryTextBytes = 2048;

// Registry value types as Windows numbers them (REG_SZ, REG_EXPAND_SZ,
// REG_DWORD), so that the rules below need no Windows headers.
inline constexpr std::uint32_t kRegTypeText = 1;
inline constexpr std::uint32_t kRegTypeExpandText = 2;
inline constexpr std::uint32_t kRegTypeDword = 4;

// The text of a value as read: only REG_SZ and REG_EXPAND_SZ (left
// unexpanded), at most kMaxRegistryTextBytes, either empty or an even byte
// count ending in a zero character. The text stops at its first zero
// character. Anything else is no text.
[[nodiscard]] std::optional<std::wstring> TextFromRegistryData(std::uint32_t type,
                                                 const std::uint8_t* data,
                                                 std::size_t byte_count);

}  // namespace sysops
