#pragma once
// The backslash escapes the tools write and read: the fake console tools'
// scripts, the local services' data file and request log, the test support
// that writes those scripts and reads that log. One line of text holds any
// bytes this way.
//
//   \\  \t  \r  \n  \0  and \xHH (two hexadecimal digits, either case)
//
// Pure text; builds on Windows and natively.

#include <functional>
#include <string>
#include <string_view>

namespace kit {

// The value of a hexadecimal digit; -1 for any other character.
int HexValue(char c);

// Backslash, tab, CR and LF as their escapes, every other control byte (and
// DEL) as \xHH in capitals; all other bytes as they are.
std::string EscapeBytes(std::string_view bytes);

// The escapes back to their bytes. A backslash that starts no escape (an
// unknown letter, \x without two digits, the last character) stays as it is.
// `literal`, when given, converts each run of text between escaped bytes
// (the local services turn UTF-8 runs into code page 932).
std::string UnescapeBytes(std::string_view text,
                          const std::function<std::string(const std::string&)>& literal = {});

}  // namespace kit
