// demo-driver.exe (see demo_driver.h).
//
//   demo-driver probe
//   demo-driver technician PROGRAM GROUP BOX_ID BOX_PASSWORD PROCESS_GROUP WINDOWS_PASSWORD
//   demo-driver look PROGRAM
//   demo-driver wait-install SECONDS
#include "demo_driver.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"

namespace demo_driver {

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += L"\\n";
    } else if (c == L'\t') {
      out += L"\\t";
    } else if (c != L'\r') {
      out += c;
    }
  }
  return out;
}

void Emit(const std::wstring& record) {
  const std::string bytes = codec::Encode(record + L"\n", codec::CodePage::kUtf8);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

void Row(const wchar_t* stage, const std::wstring& label, const std::wstring& value) {
  Emit(std::wstring(L"row\t") + stage + L"\t" + Escape(label) + L"\t" + Escape(value));
}

void Say(const std::wstring& text) { Emit(L"say\t" + Escape(text)); }

namespace {

int CountProcesses(const wchar_t* exeName) {
  // The snapshot fails as INVALID_HANDLE_VALUE, which the owner takes for none.
  fw::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ++count;
  }
  return count;
}

// After the program has opened the Depotron package: until Windows
// Installer has finished with it (no msiexec.exe for a second) and the
// updater is in place.
int WaitInstall(int seconds) {
  wchar_t programs[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programs);
  const std::wstring updater =
      std::wstring(programs) + L"\\" + sysops::kDepotronUpdaterRelativePath;
  int quiet = 0;
  for (int tick = 0; tick < seconds * 10; ++tick) {
    const bool installed = sysops::FileExists(updater);
    quiet = CountProcesses(L"msiexec.exe") == 0 ? quiet + 1 : 0;
    if (installed && quiet >= 10) {
      Say(L"Windows Installer has installed " + updater);
      Outcome(L"installed");
      return 0;
    }
    ::Sleep(100);
  }
  Outcome(L"failed", L"the Depotron package did not install " + updater);
  return 1;
}

int Usage() {
  Emit(L"outcome\tfailed\tusage: demo-driver probe | technician PROGRAM GROUP BOX_ID "
       L"BOX_PASSWORD PROCESS_GROUP WINDOWS_PASSWORD | look PROGRAM | wait-install SECONDS");
  return 2;
}

}  // namespace

void Outcome(const std::wstring& word, const std::wstring& text) {
  Emit(L"outcome\t" + word + (text.empty() ? L"" : L"\t" + Escape(text)));
}

}  // namespace demo_driver

int wmain(int argc, wchar_t** argv) {
  using namespace demo_driver;
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"probe" && argc == 2) return Probe();
  if (command == L"technician" && argc == 8) {
    Inputs inputs{argv[3], argv[4], argv[5], argv[6], argv[7]};
    return Technician(argv[2], inputs);
  }
  if (command == L"look" && argc == 3) return Look(argv[2]);
  if (command == L"wait-install" && argc == 3) return WaitInstall(std::wcstol(argv[2], nullptr, 10));
  return Usage();
}
