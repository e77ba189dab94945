#include "setup/run_record.h"

#include <bcrypt.h>

#include <utility>

#include "base/debug_output.h"
#include "base/text_codec.h"
#include "io/wininet_library.h"
#include "setup/run_record_text.h"
#include "setup/web_services.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"

namespace setup {
namespace {

constexpr wchar_t kCurrentVersionKey[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";  // so that Notepad of every Windows reads UTF-8
constexpr int kMostSequences = 99;            // records begun within one second

// The record RecordWindowClosed speaks to.
SRWLOCK g_active_lock = SRWLOCK_INIT;
RunRecord* g_active = nullptr;

RecordTime Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
          now.wMilliseconds};
}

template <typename Function>
Function LoadedFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // GetProcAddress's FARPROC stands for any function type.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

std::wstring WindowsValue(const wchar_t* name) {
  return sysops::ReadRegistryString(std::wstring(kCurrentVersionKey) + name, L"");
}

// Which Windows this is, as Windows says it and as its registry names it:
// the version functions a program without a compatibility manifest entry
// is told would stop at 6.2.
std::wstring DescribeWindows() {
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const auto get_version =
      LoadedFunction<GetVersion>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  std::wstring numbers = L"unknown";
  if (get_version && get_version(&version) == 0) {
    numbers = std::to_wstring(version.dwMajorVersion) + L"." +
              std::to_wstring(version.dwMinorVersion) + L"." +
              std::to_wstring(version.dwBuildNumber);
    const std::uint32_t revision =
        sysops::ReadRegistryDword(std::wstring(kCurrentVersionKey) + L"UBR");
    if (revision != 0) numbers += L"." + std::to_wstring(revision);
  }
  std::wstring release = WindowsValue(L"DisplayVersion");
  if (release.empty()) release = WindowsValue(L"ReleaseId");
  std::wstring text = L"Windows: " + WindowsValue(L"ProductName") + L", edition " +
                      WindowsValue(L"EditionID") + L", build " + numbers;
  if (!release.empty()) text += L" (" + release + L")";
  return text;
}

std::wstring DescribeProcess() {
  if (sizeof(void*) == 8) return L"process: 64-bit on 64-bit Windows";
  BOOL wow64 = FALSE;
  if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
    return L"process: 32-bit on 64-bit Windows (WoW64)";
  }
  return L"process: 32-bit on 32-bit Windows";
}

std::wstring DescribeResult(int result) {
  switch (result) {
    case kSetupFailed:
      return L"result: failed (-1)";
    case kUpdaterStarted:
      return L"result: the updater was started (0)";
    case kInstallerStarted:
      return L"result: the installer was opened (1)";
    default:
      return L"result: " + std::to_wstring(result);
  }
}

// What the window does with the outcome, as the dialog acts on it.
std::wstring DescribeWindowReaction(int result, const std::wstring& message) {
  switch (result) {
    case kUpdaterStarted:
      return L"the window surveys the PC again, then says that the setup is complete";
    case kInstallerStarted:
      return L"the window closes; Windows Installer takes over";
    case kSetupFailed:
      if (!message.empty()) return L"message shown: " + message;
      [[fallthrough]];
    default:
      return L"message shown: the window's general error message";
  }
}

}  // namespace

std::wstring RecordFolderPath() { return sysops::HoldPrivateFolder().path(); }

fw::ScopedFileHandle RecordFiles::CreateNew(const std::wstring& name) const {
  return folder_.CreateNewFile(name);
}

std::vector<std::wstring> RecordFiles::Names() const {
  return folder_.ListFileNames(L"setup-*.log");
}

bool RecordFiles::Remove(const std::wstring& name) const { return folder_.RemoveFile(name); }

RunRecord::RunRecord(const SetupInputs& inputs) : RunRecord(inputs, sysops::HoldPrivateFolder()) {}

RunRecord::RunRecord(const SetupInputs& inputs, sysops::HeldFolder folder)
    : secrets_{inputs.logon_password, inputs.send_box_password, DeliveryCredential(),
               kStatusCredential},
      started_ms_(::GetTickCount64()) {
  // The error of reaching the folder, before anything else runs.
  DWORD error = folder.is_held() ? ERROR_SUCCESS : ::GetLastError();
  const RecordFiles files(std::move(folder));
  if (files.ok()) {
    const RecordTime begun = Now();
    for (int sequence = 1; sequence <= kMostSequences && !file_; ++sequence) {
      const std::wstring name = RecordFileName(begun, sequence);
      file_ = files.CreateNew(name);
      error = ::GetLastError();
      if (file_) path_ = sysops::AppendPath(files.folder(), name);
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
  }
  if (file_) {
    DWORD written = 0;
    if (!::WriteFile(file_.get(), kUtf8Mark, 3, &written, nullptr)) file_failed_ = true;
    for (const std::wstring& old : RecordsBeyondNewest(files.Names(), kRecordsKept)) {
      files.Remove(old);
    }
  } else {
    file_failed_ = true;
    WriteDebugOutput(DescribeWindowsError(L"setup record: beginning a record in the private folder",
                                          error, SystemErrorText(error))
                         .append(L"; the run goes on without one\r\n")
                         .c_str());
  }
  Write(std::wstring(L"setup run of VarnelTerminalSetupWizard ") + kProgramVersion);
  Write(DescribeWindows());
  Write(DescribeProcess());
  Write(L"inputs: user \"" + inputs.logon_user + L"\", log-on destination \"" +
        inputs.logon_domain + L"\", password \"" + MaskedLike(inputs.logon_password) +
        L"\", delivery group \"" + inputs.delivery_group + L"\", send box \"" +
        inputs.send_box_id + L"\", its password \"" + MaskedLike(inputs.send_box_password) +
        L"\", process group \"" + inputs.process_group_id + L"\"");
  ::AcquireSRWLockExclusive(&g_active_lock);
  g_active = this;
  ::ReleaseSRWLockExclusive(&g_active_lock);
}

RunRecord::~RunRecord() {
  ::AcquireSRWLockExclusive(&g_active_lock);
  if (g_active == this) g_active = nullptr;
  ::ReleaseSRWLockExclusive(&g_active_lock);
}

void RunRecord::Write(const std::wstring& text) {
  ::AcquireSRWLockExclusive(&lock_);
  if (!closed_) {
    const std::wstring line = ComposeRecordLine(Now(), MaskSecrets(text, secrets_));
    WriteDebugOutput(line.c_str());
    if (file_ && !file_failed_) {
      const std::string bytes = codec::Encode(line, codec::CodePage::kUtf8);
      DWORD written = 0;
      if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
          written != bytes.size()) {
        const DWORD error = ::GetLastError();
        file_failed_ = true;
        WriteDebugOutput(DescribeWindowsError(L"setup record: writing \"" + path_ + L"\"", error,
                                              SystemErrorText(error))
                             .append(L"; the rest goes to this channel only\r\n")
                             .c_str());
      }
    }
  }
  ::ReleaseSRWLockExclusive(&lock_);
}

void RunRecord::EndStep() {
  if (step_percent_ < 0) return;
  Write(L"step " + std::to_wstring(step_percent_) + L"% ended" +
        (step_ignored_ ? L" with " + std::to_wstring(step_ignored_) + L" failure(s) ignored"
                       : std::wstring()));
  step_percent_ = -1;
  step_ignored_ = 0;
}

void RunRecord::StepBegan(int percent, const std::wstring& status) {
  EndStep();
  step_percent_ = percent;
  Write(L"step " + std::to_wstring(percent) + L"% began: " + status);
}

void RunRecord::Detail(const std::wstring& text) { Write(L"  " + text); }

void RunRecord::Ignored(const std::wstring& cause) {
  ++step_ignored_;
  Write(L"  ignored: " + cause);
}

void RunRecord::RunEnded(int result, const std::wstring& message) {
  if (result == kSetupFailed && step_percent_ >= 0) {
    Write(L"step " + std::to_wstring(step_percent_) + L"% failed: the run stops here");
    step_percent_ = -1;
  }
  EndStep();
  Write(DescribeResult(result));
  Write(DescribeWindowReaction(result, message));
  Write(L"total time: " + DescribeDuration(::GetTickCount64() - started_ms_));
}

void RunRecord::EndedBy(const std::wstring& what) {
  Write(L"the run was ended by " + what + L" after " +
        DescribeDuration(::GetTickCount64() - started_ms_) +
        (step_percent_ >= 0 ? L", in step " + std::to_wstring(step_percent_) + L"%"
                            : std::wstring()));
  ::AcquireSRWLockExclusive(&lock_);
  closed_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
}

void RecordWindowClosed() {
  ::AcquireSRWLockShared(&g_active_lock);
  if (g_active) g_active->EndedBy(L"closing the window");
  ::ReleaseSRWLockShared(&g_active_lock);
}

std::wstring SystemErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  constexpr DWORD kFlags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  DWORD length = ::FormatMessageW(kFlags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                                  reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  // WinINet's own codes have their texts in WinINet.
  if (length == 0 && code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST) {
    if (HMODULE wininet = io::wininet::Module()) {
      length = ::FormatMessageW(kFlags | FORMAT_MESSAGE_FROM_HMODULE, wininet, code, 0,
                                reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    }
  }
  fw::ScopedLocalMemory owner(text);
  return length && text ? OneLine(std::wstring(text, length)) : std::wstring();
}

std::wstring WindowsFailure(const std::wstring& what, std::uint32_t code) {
  return DescribeWindowsError(what, code, SystemErrorText(code));
}

bool DigestOpenFile(HANDLE file, std::uint64_t& size, std::string& sha256) {
  // BCrypt is loaded by its full path in the system folder, as WinINet is:
  // imported, it would be looked for beside the program first on Windows
  // that does not count it among the known DLLs.
  static const HMODULE bcrypt = [] {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return HMODULE{};
    return ::LoadLibraryExW(sysops::AppendPath(folder, L"bcrypt.dll").c_str(), nullptr,
                            LOAD_WITH_ALTERED_SEARCH_PATH);
  }();
  using Open = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
  using Property = NTSTATUS(WINAPI*)(BCRYPT_HANDLE, LPCWSTR, PUCHAR, ULONG, ULONG*, ULONG);
  using Create = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR,
                                   ULONG, ULONG);
  using Hash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
  using Finish = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
  using Destroy = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
  using Close = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
  const auto open = LoadedFunction<Open>(bcrypt, "BCryptOpenAlgorithmProvider");
  const auto property = LoadedFunction<Property>(bcrypt, "BCryptGetProperty");
  const auto create = LoadedFunction<Create>(bcrypt, "BCryptCreateHash");
  const auto hash = LoadedFunction<Hash>(bcrypt, "BCryptHashData");
  const auto finish = LoadedFunction<Finish>(bcrypt, "BCryptFinishHash");
  const auto destroy = LoadedFunction<Destroy>(bcrypt, "BCryptDestroyHash");
  const auto close = LoadedFunction<Close>(bcrypt, "BCryptCloseAlgorithmProvider");
  if (!open || !property || !create || !hash || !finish || !destroy || !close) return false;

  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return false;
  bool ok = false;
  // Windows 7 wants the hash object's room from the caller.
  ULONG object_size = 0;
  ULONG got = 0;
  if (property(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_size),
               sizeof object_size, &got, 0) == 0) {
    std::string object(object_size, '\0');
    BCRYPT_HASH_HANDLE digest = nullptr;
    if (create(algorithm, &digest, reinterpret_cast<PUCHAR>(object.data()), object_size, nullptr,
               0, 0) == 0) {
      std::string chunk(64 * 1024, '\0');
      std::uint64_t total = 0;
      ok = true;
      for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
          ok = false;
          break;
        }
        if (read == 0) break;
        if (hash(digest, reinterpret_cast<PUCHAR>(chunk.data()), read, 0) != 0) {
          ok = false;
          break;
        }
        total += read;
      }
      std::string value(32, '\0');
      if (ok && finish(digest, reinterpret_cast<PUCHAR>(value.data()), 32, 0) == 0) {
        size = total;
        sha256 = value;
      } else {
        ok = false;
      }
      destroy(digest);
    }
  }
  close(algorithm, 0);
  ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
  return ok;
}

std::wstring DescribeHandedOverFile(const std::wstring& path, HANDLE file) {
  std::uint64_t size = 0;
  std::string sha256;
  if (!DigestOpenFile(file, size, sha256)) {
    return path + L": size and SHA-256 unknown (" + std::to_wstring(::GetLastError()) + L")";
  }
  return path + L": " + std::to_wstring(size) + L" bytes, SHA-256 " + HexDigest(sha256);
}

}  // namespace setup
