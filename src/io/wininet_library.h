#pragma once
// WinINet as the HTTP client uses it, loaded on first use from the system
// folder by its full path instead of being imported. WININET.DLL is none of
// the DLLs Windows protects as known DLLs: imported, the loader would look
// for it in the program's own folder first, before the program's first line
// could restrict where libraries come from, and run whatever DLL of that name
// was put there with the technician's rights.
//
// Failure model: each function below behaves as WinINet's function of the
// same name. When the library or the function cannot be loaded, it fails as
// that function fails (FALSE or null) with the thread's last error set to
// the loader's error; nothing throws. The library stays loaded for the rest
// of the process, so a worker abandoned with the window never loses its code.

#include <windows.h>
#include <wininet.h>

#include "framework/scoped_handle.h"

namespace io::wininet {

HINTERNET InternetOpenW(LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR proxy_bypass,
                        DWORD flags);
HINTERNET InternetConnectW(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user,
                           LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context);
HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                           LPCWSTR referrer, LPCWSTR* accept_types, DWORD flags,
                           DWORD_PTR context);
BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD length, DWORD modifiers);
BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headers_length, LPVOID optional,
                      DWORD optional_length);
BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length,
                    LPDWORD index);
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD to_read, LPDWORD read);
BOOL InternetCloseHandle(HINTERNET handle);
INTERNET_STATUS_CALLBACK InternetSetStatusCallbackW(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback);
BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD length, DWORD flags);
BOOL InternetCrackUrlW(LPCWSTR url, DWORD length, DWORD flags, LPURL_COMPONENTSW components);
BOOL InternetCombineUrlW(LPCWSTR base, LPCWSTR relative, LPWSTR buffer, LPDWORD length,
                         DWORD flags);

// The module loaded, or null (first use loads it). For the tests, which check
// where it came from.
[[nodiscard]] HMODULE Module();

namespace traits {
struct Handle : fw::traits::NullIsNone<HINTERNET> {
  static void Close(pointer h) noexcept { InternetCloseHandle(h); }
};
}  // namespace traits

using ScopedHandle = fw::ScopedResource<traits::Handle>;

}  // namespace io::wininet
