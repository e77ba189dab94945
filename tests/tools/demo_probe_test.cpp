// The demo's reading of the PC, under Wine: the demo judges the setup run by
// these rows, so a probe that looked in the wrong registry view, showed an
// empty value like a missing one or misread a file would let a broken run
// pass. The probe runs as the demo runs it, a process of its own.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"

namespace {

std::wstring NextToThisTest(const std::wstring& relative) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L'\\') + 1) + relative;
}

std::string Utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, nullptr);
  }
  return out;
}

// The "row pc" lines of one probe, as "label<TAB>value".
std::vector<std::string> Probe() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  fw::ScopedHandle readEnd, writeEnd;
  if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return {};
  ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  const std::wstring exe = NextToThisTest(L"..\\..\\tools\\demo\\demo-driver.exe");
  std::wstring command = L"\"" + exe + L"\" probe";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return {};
  }
  fw::ScopedHandle process(info.hProcess), thread(info.hThread);
  writeEnd.reset();
  // Read until the probe has ended, not until the pipe closes: the first
  // process of a Wine session that needs a desktop has Wine start
  // explorer.exe /desktop, which inherits its handles and keeps running.
  std::string output;
  const ULONGLONG end = ::GetTickCount64() + 30000;
  for (bool ended = false; !ended && ::GetTickCount64() < end;) {
    ended = ::WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0;
    DWORD available = 0;
    while (::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
      char chunk[4096];
      DWORD got = 0;
      if (!::ReadFile(readEnd.get(), chunk, sizeof chunk, &got, nullptr) || got == 0) break;
      output.append(chunk, got);
    }
  }
  std::vector<std::string> rows;
  const std::string prefix = "row\tpc\t";
  for (std::size_t start = 0; start < output.size();) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    if (line.rfind(prefix, 0) == 0) rows.push_back(line.substr(prefix.size()));
    start = end + 1;
  }
  return rows;
}

std::string ValueOf(const std::vector<std::string>& rows, const std::string& label) {
  for (const std::string& row : rows) {
    if (row.rfind(label + "\t", 0) == 0) return row.substr(label.size() + 1);
  }
  return "<no row " + label + ">";
}

// A registry value of HKLM in one view for the test's lifetime; whatever was
// there before comes back afterwards.
class ScopedMachineValue {
 public:
  ScopedMachineValue(const wchar_t* key, const wchar_t* name, REGSAM view, DWORD type,
                     const void* data, DWORD size)
      : name_(name) {
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE | view, nullptr, key_.put(), nullptr);
    DWORD oldSize = sizeof old_;
    had_ = ::RegQueryValueExW(key_.get(), name, nullptr, &oldType_, old_, &oldSize) ==
           ERROR_SUCCESS;
    oldSize_ = oldSize;
    if (type == REG_NONE) {
      ::RegDeleteValueW(key_.get(), name);
      ok_ = key_.is_valid();
    } else {
      ok_ = ::RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
            ERROR_SUCCESS;
    }
  }
  ~ScopedMachineValue() {
    if (had_) {
      ::RegSetValueExW(key_.get(), name_, 0, oldType_, old_, oldSize_);
    } else {
      ::RegDeleteValueW(key_.get(), name_);
    }
  }
  bool ok() const { return ok_; }

 private:
  fw::ScopedRegKey key_;
  const wchar_t* name_;
  bool had_ = false, ok_ = false;
  DWORD oldType_ = 0, oldSize_ = 0;
  BYTE old_[2048] = {};
};

const wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const wchar_t kEmbedded[] = L"SOFTWARE\\Microsoft\\Windows\\Windows Embedded\\EmbeddedLogon";

TEST(DemoProbe, ShowsRegistryValuesOfThe64BitViewAsTheyAre) {
  const wchar_t empty[] = L"";
  const wchar_t user[] = L"技術者 01";
  const DWORD one = 1, seven = 7;
  ScopedMachineValue password(kWinlogon, L"DefaultPassword", KEY_WOW64_64KEY, REG_SZ, empty,
                              sizeof empty);
  ScopedMachineValue name(kWinlogon, L"DefaultUserName", KEY_WOW64_64KEY, REG_SZ, user,
                          sizeof user);
  ScopedMachineValue logon(kWinlogon, L"AutoAdminLogon", KEY_WOW64_64KEY, REG_DWORD, &one,
                           sizeof one);
  ScopedMachineValue noDomain(kWinlogon, L"DefaultDomainName", KEY_WOW64_64KEY, REG_NONE,
                              nullptr, 0);
  // The program writes the 64-bit view; a value only the 32-bit view holds
  // is not the PC's state.
  ScopedMachineValue branding64(kEmbedded, L"BrandingNeutral", KEY_WOW64_64KEY, REG_NONE,
                                nullptr, 0);
  ScopedMachineValue branding32(kEmbedded, L"BrandingNeutral", KEY_WOW64_32KEY, REG_DWORD,
                                &seven, sizeof seven);
  ScopedMachineValue hide(kEmbedded, L"HideAutoLogonUI", KEY_WOW64_64KEY, REG_DWORD, &seven,
                          sizeof seven);
  for (const ScopedMachineValue* v :
       {&password, &name, &logon, &noDomain, &branding64, &branding32, &hide}) {
    ASSERT_TRUE(v->ok());
  }

  const std::vector<std::string> rows = Probe();
  ASSERT_FALSE(rows.empty()) << "the probe printed nothing";
  EXPECT_EQ(ValueOf(rows, "Winlogon DefaultPassword"), "\"\"");
  EXPECT_EQ(ValueOf(rows, "Winlogon DefaultUserName"), Utf8(user));
  EXPECT_EQ(ValueOf(rows, "Winlogon AutoAdminLogon"), "1");
  EXPECT_EQ(ValueOf(rows, "Winlogon DefaultDomainName"), "(none)");
  EXPECT_EQ(ValueOf(rows, "EmbeddedLogon BrandingNeutral"), "(none)");
  EXPECT_EQ(ValueOf(rows, "EmbeddedLogon HideAutoLogonUI"), "7");
}

std::wstring CommonData() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// A file of the product folders for the test's lifetime; afterwards what
// was there before (another test's settings file, say) is back, or the file
// is gone together with the folders it needed.
class ScopedProductFile {
 public:
  ScopedProductFile(const std::wstring& relative, const std::string& bytes)
      : path_(CommonData() + L"\\Varnel\\" + relative) {
    for (std::size_t slash = path_.find(L'\\', 3); slash != std::wstring::npos;
         slash = path_.find(L'\\', slash + 1)) {
      const std::wstring folder = path_.substr(0, slash);
      if (::CreateDirectoryW(folder.c_str(), nullptr)) made_.push_back(folder);
    }
    had_ = Read(path_, &old_);
    ok_ = Write(path_, bytes);
  }
  ~ScopedProductFile() {
    if (had_) {
      Write(path_, old_);
    } else {
      ::DeleteFileW(path_.c_str());
    }
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
  }
  bool ok() const { return ok_; }

 private:
  static bool Read(const std::wstring& path, std::string* bytes) {
    fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
      bytes->append(chunk, got);
    }
    return true;
  }
  static bool Write(const std::wstring& path, const std::string& bytes) {
    fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                               &written, nullptr) &&
           written == bytes.size();
  }

  std::wstring path_;
  std::vector<std::wstring> made_;
  std::string old_;
  bool had_ = false, ok_ = false;
};

TEST(DemoProbe, TellsEmptyFromMissingInTheSettingsAndSignalFiles) {
  ScopedProductFile ini(L"Tolvik\\VarnelDriveTerminalSend.ini",
                        "[MAIN]\r\nID=\r\nPASS=pa ss\r\n");
  ScopedProductFile signal(L"Depotron\\UpdatePassive.signal.dat", std::string("1\0", 2));
  ScopedProductFile emptySignal(L"Depotron\\UpdatePassiveReboot.signal.dat", "");
  ASSERT_TRUE(ini.ok() && signal.ok() && emptySignal.ok());

  const std::vector<std::string> rows = Probe();
  EXPECT_EQ(ValueOf(rows, "VarnelDriveTerminalSend.ini ID"), "\"\"");
  EXPECT_EQ(ValueOf(rows, "VarnelDriveTerminalSend.ini PASS"), "pa ss");
  EXPECT_EQ(ValueOf(rows, "VarnelDriveTerminalSend.ini GROUP"), "(none)");
  EXPECT_EQ(ValueOf(rows, "Depotron\\UpdatePassive.signal.dat"), "31 00");
  EXPECT_EQ(ValueOf(rows, "Depotron\\UpdatePassiveReboot.signal.dat"), "(empty file)");
}

}  // namespace
