#include "io/http_client.h"

#include <wininet.h>

#include <cstring>
#include <new>
#include <cwchar>
#include <vector>

#include "framework/file.h"
#include "framework/scoped_handle.h"
#include "io/url_text.h"
#include "io/wininet_library.h"

namespace {

namespace net = io::wininet;

constexpr wchar_t kAgent[] = L"VARNEL NETWORK MODULE";
constexpr wchar_t kFixedHeaders[] = L"Accept: text/*\r\nUser-Agent: VARNEL NETWORK MODULE\r\n";
constexpr DWORD_PTR kContext = 1;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kReadChunk = 2048;
// The most room taken up front for an announced body length.
constexpr ULONGLONG kMaxReserve = 16 * 1024 * 1024;
// As many hops as WinINet itself would follow.
constexpr int kMaxRedirects = 10;

struct UrlParts {
  std::wstring url;  // canonical form, base for relative redirects
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query
  bool https = false;
};

// Canonicalises without adding percent-encoding, then splits into host, port
// (the scheme's default when absent) and object.
bool SplitUrl(const std::wstring& url, UrlParts& parts) {
  if (url.empty()) return false;
  DWORD size = static_cast<DWORD>(url.size()) * 3 + 64;
  std::vector<wchar_t> canonical(size);
  constexpr DWORD kFlags = ICU_BROWSER_MODE | ICU_NO_ENCODE;
  if (!net::InternetCanonicalizeUrlW(url.c_str(), canonical.data(), &size, kFlags)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    canonical.assign(size + 1, L'\0');
    size = static_cast<DWORD>(canonical.size());
    if (!net::InternetCanonicalizeUrlW(url.c_str(), canonical.data(), &size, kFlags)) return false;
  }
  parts.url.assign(canonical.data(), size);

  URL_COMPONENTSW components{};
  components.dwStructSize = sizeof components;
  components.dwSchemeLength = 1;
  components.dwHostNameLength = 1;
  components.dwUrlPathLength = 1;
  components.dwExtraInfoLength = 1;
  if (!net::InternetCrackUrlW(parts.url.c_str(), static_cast<DWORD>(parts.url.size()), 0,
                              &components)) {
    return false;
  }
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
    return false;
  }
  if (!components.lpszHostName || components.dwHostNameLength == 0) return false;
  parts.host.assign(components.lpszHostName, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.https = components.nScheme == INTERNET_SCHEME_HTTPS;
  parts.object.clear();
  if (components.lpszUrlPath) parts.object.assign(components.lpszUrlPath, components.dwUrlPathLength);
  if (components.lpszExtraInfo) {
    parts.object.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  }
  if (parts.object.empty() || parts.object[0] != L'/') parts.object.insert(0, L"/");
  return true;
}

// The decision sees the very host and port the request connects to.
io::UrlAuthority AuthorityOf(const UrlParts& parts) {
  io::UrlAuthority authority;
  authority.https = parts.https;
  authority.host = parts.host;
  authority.port = parts.port;
  return authority;
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A response header as text; false when the response has none.
bool QueryHeader(HINTERNET request, DWORD query, std::wstring& value) {
  DWORD size = 256;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (net::HttpQueryInfoW(request, query, buffer.data(), &bytes, nullptr)) {
      value.assign(buffer.data(), bytes / sizeof(wchar_t));
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    size = bytes;
  }
  return false;
}

bool QueryStatus(HINTERNET request, DWORD& status) {
  DWORD size = sizeof status;
  return net::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                             &size, nullptr) != FALSE;
}

// The announced body length, when the response carries a valid one. Not the
// lenient _wtoi reading of base/number_text.h on purpose: a length is 64 bits,
// and a header that is not wholly a number (a sign, trailing text, too many
// digits) announces nothing rather than a wrong size.
bool QueryContentLength(HINTERNET request, ULONGLONG& length) {
  std::wstring text;
  if (!QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH, text)) return false;
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  if (i == text.size()) return false;
  ULONGLONG value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    ULONGLONG next = value * 10 + static_cast<ULONGLONG>(text[i] - L'0');
    if (next / 10 != value) return false;  // overflow: no usable length
    value = next;
  }
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  if (i != text.size()) return false;
  length = value;
  return true;
}

bool HeaderContains(HINTERNET request, DWORD query, const wchar_t* word) {
  std::wstring text;
  if (!QueryHeader(request, query, text)) return false;
  for (auto& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text.find(word) != std::wstring::npos;
}

// WinINet delivers a chunked body decoded and, when the connection breaks
// before the last chunk, reports an ordinary end of data. What gives the cut
// away is the connection: after a whole body WinINet keeps it for the next
// request (unless the server said it would close it), after a cut one it is
// closed, at the latest when the request handle is. The status callback tells
// us when that happens.
//
// A server that closes after every response (Connection: close,
// Proxy-Connection: close, or an HTTP/1.0 answer) has its connection closed
// after a whole body too, so there the close proves nothing. A chunked body
// cut short by such a server cannot be told from a whole one and is taken as
// complete; only the cut of a server that keeps its connections is caught.
bool ServerClosesConnection(HINTERNET request) {
  if (HeaderContains(request, HTTP_QUERY_CONNECTION, L"close") ||
      HeaderContains(request, HTTP_QUERY_PROXY_CONNECTION, L"close")) {
    return true;
  }
  // Before HTTP/1.1 a connection ends with its response.
  std::wstring version;
  return QueryHeader(request, HTTP_QUERY_VERSION, version) &&
         (::_wcsicmp(version.c_str(), L"HTTP/1.0") == 0 ||
          ::_wcsicmp(version.c_str(), L"HTTP/0.9") == 0);
}

struct ReadWatch {
  HINTERNET request = nullptr;
  bool connection_closed = false;
};
thread_local ReadWatch* t_watch = nullptr;

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR, DWORD status, LPVOID, DWORD) {
  if (status == INTERNET_STATUS_CONNECTION_CLOSED && t_watch && t_watch->request == handle) {
    t_watch->connection_closed = true;
  }
}

class WatchScope {
 public:
  WatchScope(ReadWatch& watch) : previous_(t_watch) { t_watch = &watch; }
  ~WatchScope() { t_watch = previous_; }
  WatchScope(const WatchScope&) = delete;
  WatchScope& operator=(const WatchScope&) = delete;

 private:
  ReadWatch* previous_;
};

// Where the body goes. Begin is called once the final status is known to be
// a success, with the announced length when there is one; Finish once the
// whole body has arrived.
class BodySink {
 public:
  virtual ~BodySink() = default;
  virtual bool Begin(const ULONGLONG* announcedLength) = 0;
  virtual void Write(const BYTE* data, DWORD count) = 0;  // may raise
  virtual bool Finish() = 0;
};

BOOL Fetch(const std::wstring& url, const std::wstring& credential, BodySink& sink,
           HttpOutcome& outcome) {
  outcome = HttpOutcome();
  // The error of the call that just failed, kept before anything else runs.
  const auto call_failed = [&outcome] {
    outcome.error = ::GetLastError();
    return FALSE;
  };
  UrlParts origin;
  if (!SplitUrl(url, origin)) return call_failed();
  try {
    net::ScopedHandle session(net::InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                                 nullptr, INTERNET_FLAG_DONT_CACHE));
    if (!session) return call_failed();
    net::InternetSetStatusCallbackW(session.get(), OnStatus);
    const std::wstring authorization = L"Authorization: Basic " + credential + L"\r\n";

    // Redirects are followed here rather than inside WinINet, which would
    // carry the Authorization header along to whatever host they name: the
    // credential goes only to the host and port it was given for, or from
    // that host's http default port to its https default port.
    const io::UrlAuthority given = AuthorityOf(origin);
    UrlParts target = origin;
    net::ScopedHandle connection;
    net::ScopedHandle request;
    for (int hop = 0;; ++hop) {
      request.reset();
      connection.reset(net::InternetConnectW(session.get(), target.host.c_str(), target.port,
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, kContext));
      if (!connection) return call_failed();
      DWORD flags = kRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT;
      // The first URL is requested as given, whatever its scheme; a redirect
      // to https is followed over TLS as WinINet's own redirection would.
      if (hop > 0 && target.https) flags |= INTERNET_FLAG_SECURE;
      request.reset(net::HttpOpenRequestW(connection.get(), L"GET", target.object.c_str(), nullptr,
                                          nullptr, nullptr, flags, kContext));
      if (!request) return call_failed();
      net::HttpAddRequestHeadersW(request.get(), kFixedHeaders, static_cast<DWORD>(-1),
                                  HTTP_ADDREQ_FLAG_ADD_IF_NEW);
      if (io::CredentialMayFollow(given, AuthorityOf(target))) {
        net::HttpAddRequestHeadersW(request.get(), authorization.c_str(), static_cast<DWORD>(-1),
                                    HTTP_ADDREQ_FLAG_ADD_IF_NEW);
      }
      if (!net::HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return call_failed();
      DWORD status = 0;
      if (!QueryStatus(request.get(), status)) return call_failed();
      outcome.status = status;
      if (status < 300) break;
      if (!IsRedirect(status) || hop >= kMaxRedirects) return FALSE;
      std::wstring location;
      if (!QueryHeader(request.get(), HTTP_QUERY_LOCATION, location) || location.empty()) {
        return FALSE;
      }
      std::vector<wchar_t> combined(target.url.size() + location.size() + 64);
      DWORD size = static_cast<DWORD>(combined.size());
      if (!net::InternetCombineUrlW(target.url.c_str(), location.c_str(), combined.data(), &size,
                                    ICU_NO_ENCODE)) {
        return FALSE;
      }
      UrlParts next;
      if (!SplitUrl(std::wstring(combined.data(), size), next)) return FALSE;
      target = std::move(next);
    }

    ULONGLONG announced = 0;
    const bool chunked = HeaderContains(request.get(), HTTP_QUERY_TRANSFER_ENCODING, L"chunked");
    const bool hasLength = !chunked && QueryContentLength(request.get(), announced);
    const bool serverCloses = ServerClosesConnection(request.get());
    if (!sink.Begin(hasLength ? &announced : nullptr)) return call_failed();

    ReadWatch watch;
    watch.request = request.get();
    WatchScope watching(watch);
    std::vector<BYTE> chunk(kReadChunk);
    ULONGLONG received = 0;
    for (;;) {
      DWORD got = 0;
      if (!net::InternetReadFile(request.get(), chunk.data(), kReadChunk, &got)) {
        outcome.body_cut = true;
        return call_failed();
      }
      if (got == 0) break;
      sink.Write(chunk.data(), got);
      received += got;
      outcome.received = received;
    }
    // WinINet reports a connection closed in the middle of the body as an
    // ordinary end of data: the count tells a cut body from a whole one.
    if (hasLength && received != announced) {
      outcome.body_cut = true;
      return FALSE;
    }
    if (chunked && !serverCloses) {
      request.reset();
      if (watch.connection_closed) {
        outcome.body_cut = true;
        return FALSE;
      }
    }
    return sink.Finish() ? TRUE : call_failed();
  } catch (...) {
    return FALSE;
  }
}

class BufferSink : public BodySink {
 public:
  explicit BufferSink(CBinary& body) : body_(body) {}

  bool Begin(const ULONGLONG* announcedLength) override {
    // Room for the announced body at once, so that appending does not copy
    // the growing content for every chunk. The announcement is the server's
    // word only: beyond kMaxReserve the buffer grows as the bytes arrive.
    if (announcedLength) {
      ULONGLONG wanted = static_cast<ULONGLONG>(body_.GetLength()) + *announcedLength;
      if (wanted > 0x7FFFFFFF) return false;  // more than a buffer can hold
      ULONGLONG reserve = static_cast<ULONGLONG>(body_.GetLength()) +
                          (*announcedLength < kMaxReserve ? *announcedLength : kMaxReserve);
      body_.GetBuffer(static_cast<int>(reserve));
    }
    return true;
  }
  void Write(const BYTE* data, DWORD count) override {
    chunk_.SetData(data, static_cast<int>(count));
    const int before = body_.GetLength();
    body_.Append(chunk_);
    if (chunk_.GetLength() != static_cast<int>(count) ||
        body_.GetLength() != before + static_cast<int>(count)) {
      throw std::bad_alloc();  // the buffer could not grow: the body is incomplete
    }
  }
  bool Finish() override { return true; }

 private:
  CBinary& body_;
  CBinary chunk_;
};

class FileSink : public BodySink {
 public:
  // The body goes to a file of fixed name beside the destination: the final
  // move is then a rename on the same volume, and a download cut short by a
  // crash leaves one file that the next download replaces, not a new one
  // each time.
  explicit FileSink(const std::wstring& path) : path_(path), temp_(path + L".download") {}
  ~FileSink() override {
    file_.Abort();
    if (!moved_) ::DeleteFileW(temp_.c_str());
  }

  bool Begin(const ULONGLONG*) override {
    return file_.Open(temp_.c_str(), CFile::typeBinary | CFile::modeCreate | CFile::modeWrite) !=
           FALSE;
  }
  void Write(const BYTE* data, DWORD count) override { file_.Write(data, count); }
  bool Finish() override {
    file_.Close();
    if (!::MoveFileExW(temp_.c_str(), path_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return false;
    }
    moved_ = true;
    return true;
  }

 private:
  std::wstring path_;
  std::wstring temp_;
  bool moved_ = false;
  CFile file_;
};

}  // namespace

BOOL HttpGetToBuffer(const std::wstring& url, const std::wstring& credential, CBinary& body,
                     HttpOutcome* outcome) {
  HttpOutcome unused;
  try {
    BufferSink sink(body);
    return Fetch(url, credential, sink, outcome ? *outcome : unused);
  } catch (...) {
    return FALSE;
  }
}

BOOL HttpDownloadToFile(const std::wstring& url, const std::wstring& credential,
                        const std::wstring& path, HttpOutcome* outcome) {
  HttpOutcome unused;
  try {
    if (path.empty()) return FALSE;
    FileSink sink(path);
    return Fetch(url, credential, sink, outcome ? *outcome : unused);
  } catch (...) {
    return FALSE;
  }
}
