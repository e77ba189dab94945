#pragma once
// Whole files and code-page conversions for the simulated PC and the fake
// tools that play it. Nothing throws: a failed read or write answers false.

#include <windows.h>

#include <string>

#include "base/text_codec.h"

namespace simulated_pc {

// The console's (OEM) code page, in which the real tools print.
std::string EncodeForConsole(const std::wstring& text);
inline std::string ToUtf8(const std::wstring& text) {
  return codec::Encode(text, codec::CodePage::kUtf8);
}
inline std::wstring FromUtf8(const std::string& bytes) {
  return codec::Decode(bytes, codec::CodePage::kUtf8);
}

// The whole content; the file may be open elsewhere meanwhile.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// Creates or replaces the file with exactly these bytes.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace simulated_pc
