#pragma once
// Single HTTP GET requests to the delivery server and the status-notification
// service, with Basic authorisation, on WinINet. Both functions run
// synchronously, never raise and never show anything: any failure is FALSE.

#include <windows.h>

#include <string>

#include "base/binary.h"

// How a request went, for a caller that must tell why it failed; the BOOL
// result alone decides success. Both functions fill it when given one.
struct HttpOutcome {
  DWORD status = 0;       // the final HTTP status; 0 when no answer came
  DWORD error = 0;        // the Windows or WinINet error of the call that failed
  ULONGLONG received = 0; // body bytes that arrived
  bool body_cut = false;  // the body broke off before its end
};

// Appends the response body to `body` (not emptied first). TRUE when the final
// status was below 300 and the whole body arrived; when the body breaks off,
// the bytes already appended stay and the answer is FALSE.
[[nodiscard]] BOOL HttpGetToBuffer(const std::wstring& url, const std::wstring& credential,
                                   CBinary& body, HttpOutcome* outcome = nullptr);

// Writes the response body to `path`. The file appears under that name only
// once the whole body arrived; until then it is written to `path` +
// ".download", which is removed on failure (also one left by an earlier,
// interrupted run). An existing file is replaced only on success. FALSE also
// when the file cannot be created.
[[nodiscard]] BOOL HttpDownloadToFile(const std::wstring& url, const std::wstring& credential,
                                      const std::wstring& path, HttpOutcome* outcome = nullptr);
