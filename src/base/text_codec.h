#pragma once
// Conversions between wide text and the byte encodings the program meets: the
// thread's ANSI code page (932 on the Japanese Windows it is made for), UTF-8,
// EUC-JP and UTF-16LE. This is the only place in src/base that reaches the
// platform: on Windows it calls MultiByteToWideChar/WideCharToMultiByte, in the
// native Linux build it uses iconv with CP932 standing for the ANSI code page.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace codec {

enum class CodePage {
  kThreadAnsi,  // CP_THREAD_ACP
  kUtf8,        // 65001
  kEucJp,       // 20932
};

// Decodes bytes with no conversion flags: bytes the code page cannot map come
// out as the platform's replacement character. Empty input gives "".
[[nodiscard]] std::wstring Decode(std::string_view bytes, CodePage page);

// Encodes with no flags and no explicit default character: characters the code
// page cannot represent become its default character ('?').
[[nodiscard]] std::string Encode(std::wstring_view text, CodePage page);

// UTF-16LE byte layout of a wide text, the same whatever the size of wchar_t
// (on Linux, code points above U+FFFF become surrogate pairs).
[[nodiscard]] std::vector<std::uint8_t> ToUtf16LeBytes(std::wstring_view text);

// The inverse: an odd trailing byte is ignored; unpaired surrogates are kept
// as they are.
[[nodiscard]] std::wstring FromUtf16LeBytes(const std::uint8_t* bytes, std::size_t count);

}  // namespace codec
