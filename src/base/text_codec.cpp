#include "base/text_codec.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#include <cstring>
#endif

namespace codec {

#ifdef _WIN32

namespace {

UINT WindowsCodePage(CodePage page) {
  switch (page) {
    case CodePage::kUtf8: return CP_UTF8;
    case CodePage::kEucJp: return 20932;
    case CodePage::kThreadAnsi: break;
  }
  return CP_THREAD_ACP;
}

}  // namespace

std::wstring Decode(std::string_view bytes, CodePage page) {
  if (bytes.empty()) return std::wstring();
  const UINT cp = WindowsCodePage(page);
  const int in = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(cp, 0, bytes.data(), in, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  const int written = MultiByteToWideChar(cp, 0, bytes.data(), in, &out[0], n);
  out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return out;
}

std::string Encode(std::wstring_view text, CodePage page) {
  if (text.empty()) return std::string();
  const UINT cp = WindowsCodePage(page);
  const int in = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(cp, 0, text.data(), in, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  const int written = WideCharToMultiByte(cp, 0, text.data(), in, &out[0], n, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return out;
}

#else  // iconv

namespace {

const char* IconvName(CodePage page) {
  switch (page) {
    case CodePage::kUtf8: return "UTF-8";
    case CodePage::kEucJp: return "EUC-JP";
    case CodePage::kThreadAnsi: break;
  }
  return "CP932";
}

// Opening a descriptor costs far more than the short conversions made here,
// so each thread keeps the few it uses and resets one before each use.
class DescriptorCache {
 public:
  DescriptorCache() = default;
  DescriptorCache(const DescriptorCache&) = delete;
  DescriptorCache& operator=(const DescriptorCache&) = delete;
  ~DescriptorCache() {
    for (const Entry& e : entries_) iconv_close(e.cd);
  }

  // (iconv_t)-1 when the pair cannot be converted.
  iconv_t Get(const char* to, const char* from) {
    for (const Entry& e : entries_) {
      if (std::strcmp(e.to, to) == 0 && std::strcmp(e.from, from) == 0) {
        iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
        return e.cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1)) entries_.push_back({to, from, cd});
    return cd;
  }

 private:
  struct Entry {
    const char* to;  // names are literals, alive for the whole process
    const char* from;
    iconv_t cd;
  };
  std::vector<Entry> entries_;
};

// Runs one iconv conversion; an unconvertible input unit is skipped
// (skip_bytes of it) and `substitute` is written in its place, which mirrors
// what the Windows functions do without flags.
std::string Convert(const char* to, const char* from, const char* data, std::size_t size,
                    std::size_t skip_bytes, std::string_view substitute) {
  std::string out;
  if (size == 0) return out;
  thread_local DescriptorCache descriptors;
  iconv_t cd = descriptors.Get(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  char* in = const_cast<char*>(data);
  std::size_t in_left = size;
  char buf[4096];
  while (in_left > 0) {
    char* o = buf;
    std::size_t o_left = sizeof buf;
    const std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buf, sizeof buf - o_left);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence): replace one unit and go on.
      const std::size_t skip = in_left < skip_bytes ? in_left : skip_bytes;
      in += skip;
      in_left -= skip;
      out.append(substitute);
    }
  }
  return out;
}

}  // namespace

std::wstring Decode(std::string_view bytes, CodePage page) {
  const char32_t replacement = 0xFFFD;
  const std::string u32 =
      Convert("UTF-32LE", IconvName(page), bytes.data(), bytes.size(), 1,
              std::string_view(reinterpret_cast<const char*>(&replacement), 4));
  std::wstring out;
  out.reserve(u32.size() / 4);
  for (std::size_t i = 0; i + 4 <= u32.size(); i += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(u32.data() + i);
    out.push_back(static_cast<wchar_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                       (static_cast<std::uint32_t>(p[3]) << 24)));
  }
  return out;
}

std::string Encode(std::wstring_view text, CodePage page) {
  std::string u32;
  u32.reserve(text.size() * 4);
  for (wchar_t c : text) {
    const auto v = static_cast<std::uint32_t>(c);
    for (int s = 0; s < 32; s += 8) u32.push_back(static_cast<char>((v >> s) & 0xFF));
  }
  return Convert(IconvName(page), "UTF-32LE", u32.data(), u32.size(), 4, "?");
}

#endif

std::vector<std::uint8_t> ToUtf16LeBytes(std::wstring_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  auto put = [&out](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    const auto v = static_cast<std::uint32_t>(c);
    if (v > 0xFFFF) {
      const std::uint32_t w = v - 0x10000;
      put(0xD800 | (w >> 10));
      put(0xDC00 | (w & 0x3FF));
    } else {
      put(v);
    }
  }
  return out;
}

std::wstring FromUtf16LeBytes(const std::uint8_t* bytes, std::size_t count) {
  std::wstring out;
  const std::size_t units = count / 2;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t u = bytes[2 * i] | (bytes[2 * i + 1] << 8);
    if (sizeof(wchar_t) == 4 && u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const std::uint32_t lo = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

}  // namespace codec
