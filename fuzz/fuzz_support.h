#pragma once
// What every fuzz target shares: turning the fuzzer's bytes into the texts
// the readers take, and a check that stops the run with the broken property
// named (a crash is what the fuzzer and the replay both report).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::Fail(#condition, __FILE__, __LINE__))

// The bytes read as UTF-16LE, the way console output and files reach the
// program (surrogate pairs join where wchar_t is 32 bits wide).
inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
  return codec::FromUtf16LeBytes(data, size);
}

// Only characters below 0x80: where the C library's notion of a digit or a
// blank is the same in every locale.
inline bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (static_cast<unsigned long>(c) > 0x7F) return false;
  }
  return true;
}

// Consumes the bytes from the front: small numbers that steer a target, then
// the rest as the text under test.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  std::uint16_t Unit() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t Word() { return Unit() | (static_cast<std::uint32_t>(Unit()) << 16); }

  // Up to `count` bytes.
  std::string Bytes(std::size_t count) {
    if (count > size_) count = size_;
    std::string out(reinterpret_cast<const char*>(data_), count);
    data_ += count;
    size_ -= count;
    return out;
  }
  // A UTF-16LE text of at most `units` code units.
  std::wstring Wide(std::size_t units) {
    std::string bytes = Bytes(units * 2);
    return WideText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::string RestBytes() { return Bytes(size_); }
  std::wstring RestWide() { return Wide(size_ / 2 + 1); }
  std::size_t Left() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace fuzz
