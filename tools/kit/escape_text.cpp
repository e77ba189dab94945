#include "kit/escape_text.h"

namespace kit {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string EscapeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += byte;
        }
    }
  }
  return out;
}

std::string UnescapeBytes(std::string_view text,
                          const std::function<std::string(const std::string&)>& literal) {
  std::string out, run;
  auto flush = [&] {
    out += literal ? literal(run) : run;
    run.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      run += text[i];
      continue;
    }
    const char next = text[i + 1];
    if (next == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
        HexValue(text[i + 3]) >= 0) {
      flush();
      out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 3;
      continue;
    }
    if (next == '0') {
      flush();
      out += '\0';
      ++i;
      continue;
    }
    const char* plain = nullptr;
    switch (next) {
      case 'r': plain = "\r"; break;
      case 'n': plain = "\n"; break;
      case 't': plain = "\t"; break;
      case '\\': plain = "\\"; break;
      default: break;
    }
    if (plain) {
      run += plain;
      ++i;
    } else {
      run += text[i];
    }
  }
  flush();
  return out;
}

}  // namespace kit
