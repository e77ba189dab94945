#pragma once
// Registry values named by one path string ("HIVE\key\path\Value"). Each call
// opens (or, for writes, creates) its key, does one read or write and closes
// the key again. A 32-bit process reaches the 64-bit registry view where the
// system offers it, and its own view otherwise. Nothing is reported beyond the
// result: reads fall back to the default text or 0, writes answer false and
// leave the registry's error code in the thread's last error.

#include <cstdint>
#include <optional>
#include <string>

namespace sysops {

// The value's text (REG_SZ, or REG_EXPAND_SZ unexpanded); default_text when the
// path names nothing, the key or value is missing, the value is not text, is
// stored without its terminator or is longer than 1023 characters.
[[nodiscard]] std::wstring ReadRegistryString(const std::wstring& path,
                                              const std::wstring& default_text);

// The REG_DWORD value; 0 when it is missing, unreadable or of another type.
[[nodiscard]] std::uint32_t ReadRegistryDword(const std::wstring& path);

// Writes the REG_SZ text "1".
bool WriteRegistryOneText(const std::wstring& path);

// Writes text as REG_SZ. Without text the key is still created if missing but
// no value is written, and the answer is false.
bool WriteRegistryString(const std::wstring& path, const std::optional<std::wstring>& text);

// Writes a REG_DWORD.
bool WriteRegistryDword(const std::wstring& path, std::uint32_t value);

}  // namespace sysops
