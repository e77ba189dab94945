#pragma once
// One small owner type per kind of Windows handle, each releasing its handle
// with the matching close function on every path. Move-only.

#include <windows.h>
#include <wininet.h>

#include <utility>

namespace fw {

template <typename Traits>
class ScopedResource {
 public:
  using pointer = typename Traits::pointer;

  ScopedResource() noexcept : value_(Traits::Invalid()) {}
  explicit ScopedResource(pointer value) noexcept : value_(value) {}
  ScopedResource(ScopedResource&& other) noexcept : value_(other.release()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedResource(const ScopedResource&) = delete;
  ScopedResource& operator=(const ScopedResource&) = delete;
  ~ScopedResource() { reset(); }

  pointer get() const noexcept { return value_; }
  bool is_valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return is_valid(); }

  // Closes the held handle (if any) and takes `value` instead.
  void reset(pointer value = Traits::Invalid()) noexcept {
    if (is_valid()) Traits::Close(value_);
    value_ = value;
  }
  pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  // For out-parameters: closes what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

namespace traits {
struct Handle {  // most kernel objects: null means none
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FileHandle {  // CreateFile and friends: INVALID_HANDLE_VALUE means none
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FindHandle {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::FindClose(h); }
};
struct RegKey {
  using pointer = HKEY;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct ServiceHandle {
  using pointer = SC_HANDLE;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::CloseServiceHandle(h); }
};
struct InternetHandle {
  using pointer = HINTERNET;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::InternetCloseHandle(h); }
};
struct LocalMemory {
  using pointer = HLOCAL;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::LocalFree(h); }
};
struct Sid {
  using pointer = PSID;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::FreeSid(h); }
};
struct Icon {
  using pointer = HICON;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::DestroyIcon(h); }
};
struct GdiObject {
  using pointer = HGDIOBJ;
  static pointer Invalid() noexcept { return nullptr; }
  static void Close(pointer h) noexcept { ::DeleteObject(h); }
};
}  // namespace traits

using ScopedHandle = ScopedResource<traits::Handle>;
using ScopedFileHandle = ScopedResource<traits::FileHandle>;
using ScopedFindHandle = ScopedResource<traits::FindHandle>;
using ScopedRegKey = ScopedResource<traits::RegKey>;
using ScopedServiceHandle = ScopedResource<traits::ServiceHandle>;
using ScopedInternetHandle = ScopedResource<traits::InternetHandle>;
using ScopedLocalMemory = ScopedResource<traits::LocalMemory>;
using ScopedSid = ScopedResource<traits::Sid>;
using ScopedIcon = ScopedResource<traits::Icon>;
using ScopedGdiObject = ScopedResource<traits::GdiObject>;

}  // namespace fw
