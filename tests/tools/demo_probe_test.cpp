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
#include "support/test_support.h"
#include "sysops/terminal_values.h"

namespace {

using test_support::NextToThisTest;
using test_support::ScopedRegistryValue;

std::string Utf8(const std::wstring& text) { return test_support::ToUtf8(text); }

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

using sysops::kEmbeddedLogonKey;
using sysops::kWinlogonKey;

TEST(DemoProbe, ShowsRegistryValuesOfThe64BitViewAsTheyAre) {
  const wchar_t empty[] = L"";
  const wchar_t user[] = L"技術者 01";
  ScopedRegistryValue password(HKEY_LOCAL_MACHINE, kWinlogonKey, L"DefaultPassword");
  ScopedRegistryValue name(HKEY_LOCAL_MACHINE, kWinlogonKey, L"DefaultUserName");
  ScopedRegistryValue logon(HKEY_LOCAL_MACHINE, kWinlogonKey, L"AutoAdminLogon");
  ScopedRegistryValue noDomain(HKEY_LOCAL_MACHINE, kWinlogonKey, L"DefaultDomainName");
  // The program writes the 64-bit view; a value only the 32-bit view holds
  // is not the PC's state.
  ScopedRegistryValue branding64(HKEY_LOCAL_MACHINE, kEmbeddedLogonKey, L"BrandingNeutral",
                                 KEY_WOW64_64KEY);
  ScopedRegistryValue branding32(HKEY_LOCAL_MACHINE, kEmbeddedLogonKey, L"BrandingNeutral",
                                 KEY_WOW64_32KEY);
  ScopedRegistryValue hide(HKEY_LOCAL_MACHINE, kEmbeddedLogonKey, L"HideAutoLogonUI");
  ASSERT_TRUE(password.SetRaw(REG_SZ, empty, sizeof empty));
  ASSERT_TRUE(name.SetRaw(REG_SZ, user, sizeof user));
  ASSERT_TRUE(logon.SetDword(1));
  ASSERT_TRUE(noDomain.Remove());
  ASSERT_TRUE(branding64.Remove());
  ASSERT_TRUE(branding32.SetDword(7));
  ASSERT_TRUE(hide.SetDword(7));

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
class ScopedProductFile : public test_support::ScopedFile {
 public:
  ScopedProductFile(const std::wstring& relative, const std::string& bytes)
      : ScopedFile(CommonData() + L"\\Varnel\\" + relative, bytes) {}
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
