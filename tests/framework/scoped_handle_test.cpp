// The handle owners against the kernel Wine provides: which values count as
// a handle, that a handle is closed exactly once, and that closing leaves the
// thread's last-error value alone.

#include "framework/scoped_handle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "framework/com_ptr.h"
#include "support/files.h"

namespace {

using fw::ScopedFileHandle;
using fw::ScopedFindHandle;
using fw::ScopedHandle;

// A handle that the kernel still knows.
bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

HANDLE OpenMissingFile() {
  return ::CreateFileW(L"C:\\vts-no-such-folder\\no-such-file.txt", GENERIC_READ, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(ScopedHandles, NullAndInvalidHandleValueAreBothNone) {
  ScopedHandle failed_open(OpenMissingFile());  // the "wrong" owner for CreateFileW
  EXPECT_FALSE(failed_open);
  ScopedFileHandle failed_event(::OpenEventW(SYNCHRONIZE, FALSE, L"vts no such event"));
  EXPECT_FALSE(failed_event);  // null in the owner whose empty value is INVALID_HANDLE_VALUE
  EXPECT_FALSE(ScopedFindHandle(nullptr));
  EXPECT_FALSE(ScopedFileHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(ScopedHandle());
  EXPECT_FALSE(ScopedFileHandle());
  EXPECT_EQ(ScopedFileHandle().get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ScopedHandle().get(), nullptr);
}

TEST(ScopedHandles, TheReasonOfAFailedOpenSurvivesTheOwner) {
  {
    ScopedHandle file(OpenMissingFile());
    ASSERT_FALSE(file);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  const HANDLE raw = event.get();
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  event.reset();
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(IsOpen(raw)) << "reset closed the event";
}

TEST(ScopedHandles, AFailingCloseLeavesTheLastErrorToo) {
  // A handle closed behind the owner's back: its own CloseHandle fails with
  // ERROR_INVALID_HANDLE, which must not replace what the caller set.
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  ASSERT_TRUE(::CloseHandle(raw));
  ScopedHandle stale(raw);
  ::SetLastError(ERROR_ACCESS_DENIED);
  stale.reset();
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(ScopedHandles, EachHandleIsClosedOnceAndOnlyByItsLastOwner) {
  ScopedHandle first(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(first);
  const HANDLE raw = first.get();

  first.reset(raw);  // taking the held handle again keeps it
  EXPECT_TRUE(IsOpen(raw));

  ScopedHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), raw);
  ScopedHandle third;
  third = std::move(second);
  EXPECT_TRUE(IsOpen(raw));

  const HANDLE taken = third.release();
  EXPECT_FALSE(third);
  EXPECT_TRUE(IsOpen(taken)) << "release hands over without closing";
  ::CloseHandle(taken);

  ScopedHandle replaced(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE before = replaced.get();
  replaced.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(IsOpen(before)) << "the earlier handle was closed when replaced";
  EXPECT_TRUE(IsOpen(replaced.get()));
}

TEST(ScopedHandles, FileAndFindOwnersCloseWithTheirOwnFunction) {
  test_support::ScratchFolder folder;
  ASSERT_TRUE(test_support::WriteBytes(folder / L"a.txt", std::string("a")));
  HANDLE raw_file = INVALID_HANDLE_VALUE;
  {
    ScopedFileHandle file(::CreateFileW((folder / L"a.txt").c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    raw_file = file.get();
  }
  EXPECT_FALSE(IsOpen(raw_file));

  WIN32_FIND_DATAW found;
  ScopedFindHandle search(::FindFirstFileW((folder / L"*.txt").c_str(), &found));
  ASSERT_TRUE(search);
  search.reset();
  EXPECT_FALSE(search);
  ScopedFindHandle none(::FindFirstFileW((folder / L"*.none").c_str(), &found));
  EXPECT_FALSE(none);
}

// A COM object of our own that counts its references and, like some
// servers, sets the thread's last error while it is released.
class CountedUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return --references;
  }
  ULONG references = 1;
};

TEST(ComPointers, ReleaseOnceAndKeepTheLastError) {
  CountedUnknown object;
  {
    fw::ComPtr<IUnknown> owner;
    ASSERT_EQ(object.QueryInterface(IID_IUnknown, owner.put_void()), S_OK);
    EXPECT_EQ(object.references, 2u);
    fw::ComPtr<IUnknown> moved(std::move(owner));
    EXPECT_FALSE(owner);
    ::SetLastError(ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
