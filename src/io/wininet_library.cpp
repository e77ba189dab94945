#include "io/wininet_library.h"

namespace io::wininet {
namespace {

// Every function the HTTP client calls, by its WinINet name.
#define VTS_WININET_FUNCTIONS(X)                                                           \
  X(InternetOpenW) X(InternetConnectW) X(HttpOpenRequestW) X(HttpAddRequestHeadersW)       \
  X(HttpSendRequestW) X(HttpQueryInfoW) X(InternetReadFile) X(InternetCloseHandle)          \
  X(InternetSetStatusCallbackW) X(InternetCanonicalizeUrlW) X(InternetCrackUrlW)           \
  X(InternetCombineUrlW)

struct Library {
  HMODULE module = nullptr;
  DWORD error = ERROR_MOD_NOT_FOUND;  // why a function is missing
#define VTS_MEMBER(name) decltype(&::name) name = nullptr;
  VTS_WININET_FUNCTIONS(VTS_MEMBER)
#undef VTS_MEMBER
};

template <typename Function>
Function Resolve(HMODULE module, const char* name) {
  // Through the one function type that converts to any other without a
  // warning: GetProcAddress's own type is no real signature.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// The full path leaves no search to the loader for the library itself;
// what WinINet loads in turn follows the process's search, which start-up
// has limited to the system folder.
Library Load() {
  Library library;
  wchar_t path[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  constexpr wchar_t kFileName[] = L"\\wininet.dll";
  if (length == 0 || length + sizeof kFileName / sizeof kFileName[0] > MAX_PATH) return library;
  ::lstrcatW(path, kFileName);
  library.module = ::LoadLibraryExW(path, nullptr, 0);
  if (!library.module) {
    library.error = ::GetLastError();
    return library;
  }
  library.error = ERROR_PROC_NOT_FOUND;
#define VTS_RESOLVE(name) library.name = Resolve<decltype(&::name)>(library.module, #name);
  VTS_WININET_FUNCTIONS(VTS_RESOLVE)
#undef VTS_RESOLVE
  return library;
}

// Loaded once, by whichever thread asks first.
const Library& Loaded() {
  static const Library library = Load();
  return library;
}

// The function, or null with the loader's error as the thread's last error.
template <typename Function>
Function Get(Function Library::*member) {
  const Library& library = Loaded();
  Function function = library.*member;
  if (!function) ::SetLastError(library.error);
  return function;
}

// Calls the loaded function, or fails as it would: `failure`, with the
// loader's error as the thread's last error.
template <typename Function, typename Result, typename... Args>
Result Call(Function Library::*member, Result failure, Args... args) {
  const Function function = Get(member);
  return function ? function(args...) : failure;
}

}  // namespace

HINTERNET InternetOpenW(LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR proxy_bypass,
                        DWORD flags) {
  return Call(&Library::InternetOpenW, HINTERNET{}, agent, access_type, proxy, proxy_bypass, flags);
}

HINTERNET InternetConnectW(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user,
                           LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context) {
  return Call(&Library::InternetConnectW, HINTERNET{}, session, server, port, user, password,
              service, flags, context);
}

HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                           LPCWSTR referrer, LPCWSTR* accept_types, DWORD flags,
                           DWORD_PTR context) {
  return Call(&Library::HttpOpenRequestW, HINTERNET{}, connection, verb, object, version, referrer,
              accept_types, flags, context);
}

BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD length, DWORD modifiers) {
  return Call(&Library::HttpAddRequestHeadersW, FALSE, request, headers, length, modifiers);
}

BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headers_length, LPVOID optional,
                      DWORD optional_length) {
  return Call(&Library::HttpSendRequestW, FALSE, request, headers, headers_length, optional,
              optional_length);
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length,
                    LPDWORD index) {
  return Call(&Library::HttpQueryInfoW, FALSE, request, level, buffer, length, index);
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD to_read, LPDWORD read) {
  return Call(&Library::InternetReadFile, FALSE, file, buffer, to_read, read);
}

BOOL InternetCloseHandle(HINTERNET handle) {
  return Call(&Library::InternetCloseHandle, FALSE, handle);
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallbackW(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback) {
  return Call(&Library::InternetSetStatusCallbackW, INTERNET_INVALID_STATUS_CALLBACK, handle,
              callback);
}

BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD length, DWORD flags) {
  return Call(&Library::InternetCanonicalizeUrlW, FALSE, url, buffer, length, flags);
}

BOOL InternetCrackUrlW(LPCWSTR url, DWORD length, DWORD flags, LPURL_COMPONENTSW components) {
  return Call(&Library::InternetCrackUrlW, FALSE, url, length, flags, components);
}

BOOL InternetCombineUrlW(LPCWSTR base, LPCWSTR relative, LPWSTR buffer, LPDWORD length,
                         DWORD flags) {
  return Call(&Library::InternetCombineUrlW, FALSE, base, relative, buffer, length, flags);
}

HMODULE Module() { return Loaded().module; }

}  // namespace io::wininet
