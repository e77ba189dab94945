#pragma once
// Objects that one thread replaces while another reads them: a worker fills
// them before it posts its completion, the window thread takes its own
// reference before it uses one. The exchange of the pointer is atomic, the
// object behind it is immutable, so a reader keeps an old value alive for as
// long as it holds its reference.

#include <atomic>
#include <memory>
#include <string>

namespace fw {

template <typename T>
class AtomicShared {
 public:
  using Pointer = std::shared_ptr<const T>;

  AtomicShared() = default;
  AtomicShared(const AtomicShared&) = delete;
  AtomicShared& operator=(const AtomicShared&) = delete;

  Pointer Load() const { return std::atomic_load(&value_); }
  void Store(Pointer value) { std::atomic_store(&value_, std::move(value)); }
  void Reset() { Store(nullptr); }
  // Stores a fresh immutable copy of `value`.
  void Assign(T value) { Store(std::make_shared<const T>(std::move(value))); }
  bool IsEmpty() const { return Load() == nullptr; }

 private:
  Pointer value_;
};

// A reference-counted, immutable wide text; an empty pointer means "no text".
using SharedText = std::shared_ptr<const std::wstring>;
using AtomicSharedText = AtomicShared<std::wstring>;

}  // namespace fw
