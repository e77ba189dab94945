#pragma once
// Whole files and code-page conversions for the simulated PC and the fake
// tools that play it. Nothing throws: a failed read or write answers false.

#include <windows.h>

#include <string>

namespace simulated_pc {

std::string Encode(const std::wstring& text, UINT code_page);
std::wstring Decode(const std::string& bytes, UINT code_page);
inline std::string ToUtf8(const std::wstring& text) { return Encode(text, CP_UTF8); }
inline std::wstring FromUtf8(const std::string& bytes) { return Decode(bytes, CP_UTF8); }

// The whole content; the file may be open elsewhere meanwhile.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// Creates or replaces the file with exactly these bytes.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace simulated_pc
