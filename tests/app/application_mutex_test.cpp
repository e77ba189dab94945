// CApplicationMutex against the real kernel: names held by another process,
// names nobody holds, attempts and pauses as a caller with a wait sees them.
#include "app/application_mutex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/other_process.h"
#include "support/unique_name.h"

namespace {

using apptest::MutexHoldingProcess;
using apptest::MutexNameExists;
using test_support::UniqueName;

// The real system calls, with every call written down.
class RecordingMutexSystem : public CMutexSystem {
 public:
  HANDLE CreateNamedMutex(const std::wstring& name) override {
    names.push_back(name);
    events.push_back("create");
    return CMutexSystem::Default().CreateNamedMutex(name);
  }
  void Sleep(DWORD milliseconds) override {
    sleeps.push_back(milliseconds);
    events.push_back("sleep");
    CMutexSystem::Default().Sleep(milliseconds);
  }
  std::vector<std::wstring> names;
  std::vector<DWORD> sleeps;
  std::vector<std::string> events;
};

TEST(ApplicationMutex, FirstCreatorHoldsTheNameUntilClose) {
  for (bool global : {false, true}) {
    SCOPED_TRACE(global ? "global" : "local");
    const std::wstring name = UniqueName(L"vts app mutex free");
    const std::wstring fullName = global ? L"Global\\" + name : name;
    RecordingMutexSystem system;
    CApplicationMutex mutex(system);
    EXPECT_FALSE(mutex.IsCreated());

    ASSERT_TRUE(mutex.Create(name, 100, global));
    EXPECT_TRUE(mutex.IsCreated());
    EXPECT_EQ(system.names, std::vector<std::wstring>{fullName});
    EXPECT_TRUE(system.sleeps.empty());
    EXPECT_TRUE(MutexNameExists(fullName));

    mutex.Close();
    EXPECT_FALSE(mutex.IsCreated());
    EXPECT_FALSE(MutexNameExists(fullName));
    mutex.Close();  // closing twice is harmless
    EXPECT_FALSE(mutex.IsCreated());
  }
}

TEST(ApplicationMutex, DestructionReleasesTheName) {
  const std::wstring name = UniqueName(L"vts app mutex scoped");
  {
    CApplicationMutex mutex;
    ASSERT_TRUE(mutex.Create(name, 0, false));
    EXPECT_TRUE(MutexNameExists(name));
  }
  EXPECT_FALSE(MutexNameExists(name));
}

TEST(ApplicationMutex, NameHeldByAnotherProcessFailsAfterCountedAttempts) {
  const std::wstring name = UniqueName(L"vts app mutex held");
  MutexHoldingProcess other(L"Global\\" + name);
  ASSERT_TRUE(other.IsHolding());

  struct Case {
    int wait_ms;
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {0, {"create"}},
      {-50, {"create"}},
      {9, {"create"}},
      {25, {"create", "create", "sleep"}},
      {40, {"create", "create", "sleep", "create", "sleep", "create", "sleep"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wait_ms);
    RecordingMutexSystem system;
    CApplicationMutex mutex(system);
    ::SetLastError(ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(mutex.Create(name, c.wait_ms, true));
    EXPECT_EQ(::GetLastError(), 0u) << "the name existed, so last-error is cleared";
    EXPECT_FALSE(mutex.IsCreated());
    EXPECT_EQ(system.events, c.events);
    for (DWORD ms : system.sleeps) EXPECT_EQ(ms, 10u);
    for (const std::wstring& used : system.names) EXPECT_EQ(used, L"Global\\" + name);
  }
  // The other process still holds its mutex: looking did not take it away.
  EXPECT_TRUE(MutexNameExists(L"Global\\" + name));
}

TEST(ApplicationMutex, LocalNameIsNotTheGlobalOne) {
  const std::wstring name = UniqueName(L"vts app mutex namespaces");
  MutexHoldingProcess other(L"Global\\" + name);
  ASSERT_TRUE(other.IsHolding());
  CApplicationMutex local;
  EXPECT_TRUE(local.Create(name, 0, false));
  CApplicationMutex global;
  EXPECT_FALSE(global.Create(name, 0, true));
}

TEST(ApplicationMutex, SecondCreateInTheSameProcessFailsAndKeepsNoHandle) {
  const std::wstring name = UniqueName(L"vts app mutex twice");
  CApplicationMutex first;
  ASSERT_TRUE(first.Create(name, 0, false));
  CApplicationMutex second;
  EXPECT_FALSE(second.Create(name, 0, false));
  EXPECT_FALSE(second.IsCreated());
  first.Close();
  EXPECT_FALSE(MutexNameExists(name)) << "the failed attempt left no handle open";
  EXPECT_TRUE(second.Create(name, 0, false));
}

TEST(ApplicationMutex, RecreatingReplacesTheHeldHandle) {
  const std::wstring first = UniqueName(L"vts app mutex replaced a");
  const std::wstring second = UniqueName(L"vts app mutex replaced b");
  CApplicationMutex mutex;
  ASSERT_TRUE(mutex.Create(first, 0, false));
  ASSERT_TRUE(mutex.Create(second, 0, false));
  EXPECT_FALSE(MutexNameExists(first)) << "the earlier handle was closed, not leaked";
  EXPECT_TRUE(MutexNameExists(second));
  // Creating the name it holds itself: its own handle goes first, so the
  // name is new again and the object holds it once more.
  EXPECT_TRUE(mutex.Create(second, 0, false));
  EXPECT_TRUE(mutex.IsCreated());
}

}  // namespace
