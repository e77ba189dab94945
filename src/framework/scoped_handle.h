#pragma once
// One small owner type per kind of Windows handle, each releasing its handle
// with the matching close function on every path. Move-only.
//
// Kernel handles come back from failed calls in two spellings: null (most
// creators: CreateEvent, CreateThread, OpenProcess) or INVALID_HANDLE_VALUE
// (CreateFile, CreateNamedPipe, FindFirstFile). The owners of kernel handles
// take both for "none", so a failure stored in the other kind of owner is
// still no handle: it is neither reported valid nor closed.
//
// Closing keeps the thread's last-error value, so a caller that resets or
// leaves an owner on a failure path can still read why the call failed.

#include <windows.h>

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

  [[nodiscard]] pointer get() const noexcept { return value_; }
  [[nodiscard]] bool is_valid() const noexcept { return Traits::IsValid(value_); }
  explicit operator bool() const noexcept { return is_valid(); }

  // Closes the held handle (if any) and takes `value` instead. Taking the
  // handle already held keeps it open.
  void reset(pointer value = Traits::Invalid()) noexcept {
    const pointer old = std::exchange(value_, value);
    if (old == value || !Traits::IsValid(old)) return;
    const DWORD error = ::GetLastError();
    Traits::Close(old);
    ::SetLastError(error);
  }
  // Hands the handle over to the caller, who must close it.
  [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  // For out-parameters: closes what is held and hands out the slot.
  [[nodiscard]] pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

namespace traits {
// Kernel objects: neither null nor INVALID_HANDLE_VALUE is a handle.
inline bool IsKernelHandle(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }

struct Handle {  // most kernel objects; empty as null
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return IsKernelHandle(h); }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FileHandle {  // CreateFile and friends; empty as INVALID_HANDLE_VALUE
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(pointer h) noexcept { return IsKernelHandle(h); }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FindHandle {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(pointer h) noexcept { return IsKernelHandle(h); }
  static void Close(pointer h) noexcept { ::FindClose(h); }
};
// Everything else: null is the one empty value.
template <typename P>
struct NullIsNone {
  using pointer = P;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer p) noexcept { return p != nullptr; }
};
struct RegKey : NullIsNone<HKEY> {
  static void Close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct ServiceHandle : NullIsNone<SC_HANDLE> {
  static void Close(pointer h) noexcept { ::CloseServiceHandle(h); }
};
struct LocalMemory : NullIsNone<HLOCAL> {
  static void Close(pointer h) noexcept { ::LocalFree(h); }
};
struct Sid : NullIsNone<PSID> {
  static void Close(pointer h) noexcept { ::FreeSid(h); }
};
struct Icon : NullIsNone<HICON> {
  static void Close(pointer h) noexcept { ::DestroyIcon(h); }
};
struct GdiObject : NullIsNone<HGDIOBJ> {
  static void Close(pointer h) noexcept { ::DeleteObject(h); }
};
}  // namespace traits

using ScopedHandle = ScopedResource<traits::Handle>;
using ScopedFileHandle = ScopedResource<traits::FileHandle>;
using ScopedFindHandle = ScopedResource<traits::FindHandle>;
using ScopedRegKey = ScopedResource<traits::RegKey>;
using ScopedServiceHandle = ScopedResource<traits::ServiceHandle>;
using ScopedLocalMemory = ScopedResource<traits::LocalMemory>;
using ScopedSid = ScopedResource<traits::Sid>;
using ScopedIcon = ScopedResource<traits::Icon>;
using ScopedGdiObject = ScopedResource<traits::GdiObject>;

}  // namespace fw
