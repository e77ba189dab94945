#pragma once
// Owner of one COM interface pointer: Release on every path. Move-only is
// enough for the program; copying would only hide an AddRef. Releasing keeps
// the thread's last-error value, as the handle owners' closing does.

#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace fw {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  [[nodiscard]] T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void reset() noexcept {
    if (!p_) return;
    const DWORD error = ::GetLastError();
    std::exchange(p_, nullptr)->Release();
    ::SetLastError(error);
  }
  // For CoCreateInstance and QueryInterface: releases what is held first.
  [[nodiscard]] T** put() noexcept {
    reset();
    return &p_;
  }
  [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  template <typename U>
  [[nodiscard]] HRESULT As(ComPtr<U>* out) const noexcept {
    return p_ ? p_->QueryInterface(__uuidof(U), out->put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace fw
