#include "io/http_client.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

using test_support::PathExists;
using test_support::ReadBytes;
using test_support::ScratchFolder;
using test_support::WriteBytes;

namespace {

// Ports of the loopback server: A and B listen, C refuses, D sends the
// hand-made responses.
struct Ports {
  int a = 0, b = 0, c = 0, d = 0;
};

Ports ReadPorts() {
  Ports ports;
  const char* file = std::getenv("VTS_HTTP_PORT_FILE");
  if (!file) return ports;
  // The Unix path of the port file, seen through Wine's Z: drive.
  std::string path = std::string("Z:") + file;
  for (auto& c : path) if (c == '/') c = '\\';
  std::ifstream(path) >> ports.a >> ports.b >> ports.c >> ports.d;
  return ports;
}

class HttpClientTest : public testing::Test {
 protected:
  void SetUp() override {
    ports_ = ReadPorts();
    ASSERT_GT(ports_.d, 0) << "loopback server not running (VTS_HTTP_PORT_FILE)";
  }
  std::wstring Url(const std::wstring& object, int port = 0) const {
    return L"http://127.0.0.1:" + std::to_wstring(port ? port : ports_.a) + object;
  }
  Ports ports_;
};

std::string Pattern(size_t count) {
  std::string out(count, '\0');
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<char>(i % 251);
  return out;
}

std::string Text(const CBinary& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.GetData()),
                     static_cast<size_t>(buffer.GetLength()));
}

CBinary Holding(const std::string& bytes) {
  CBinary buffer;
  buffer.SetData(bytes.data(), static_cast<int>(bytes.size()));
  return buffer;
}

// The request as the server saw it: the request line and each header.
struct Echo {
  std::string request_line;
  std::multimap<std::string, std::string> headers;
};

Echo ParseEcho(const std::string& body) {
  Echo echo;
  std::istringstream in(body);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      echo.request_line = line;
      first = false;
      continue;
    }
    size_t colon = line.find(": ");
    if (colon != std::string::npos) echo.headers.emplace(line.substr(0, colon), line.substr(colon + 2));
  }
  return echo;
}

std::vector<std::string> Values(const Echo& echo, const std::string& name) {
  std::vector<std::string> out;
  auto range = echo.headers.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
  return out;
}

using Strings = std::vector<std::string>;

std::vector<std::wstring> FilesIn(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

}  // namespace

TEST_F(HttpClientTest, SuccessfulBodiesAreAppended) {
  CBinary body = Holding("pre:");
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/empty"), L"", body));
  EXPECT_EQ(Text(body), "pre:");

  EXPECT_TRUE(HttpGetToBuffer(Url(L"/small"), L"", body));
  EXPECT_EQ(Text(body), "pre:hello, world\n");

  // Two calls on one buffer leave both bodies, one after the other.
  CBinary twice;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/bytes/5000"), L"", twice));
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/small"), L"", twice));
  EXPECT_EQ(Text(twice), Pattern(5000) + "hello, world\n");

  CBinary chunked;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/chunked/5000"), L"", chunked));
  EXPECT_EQ(Text(chunked), Pattern(5000));

  // Larger than any read unit, with and without Content-Length.
  CBinary big;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/bytes/300000"), L"", big));
  EXPECT_EQ(Text(big), Pattern(300000));
  CBinary bigChunked;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/chunked/300000"), L"", bigChunked));
  EXPECT_EQ(Text(bigChunked), Pattern(300000));
}

TEST_F(HttpClientTest, FailureStatusesLeaveTheBufferAlone) {
  const std::pair<const wchar_t*, DWORD> statuses[] = {
      {L"/status/401", 401}, {L"/status/404", 404}, {L"/status/500", 500},
      {L"/status/300", 300}, {L"/nothing-here", 404}};
  for (const auto& [object, status] : statuses) {
    CBinary body = Holding("kept");
    HttpOutcome outcome;
    outcome.error = 1;
    EXPECT_FALSE(HttpGetToBuffer(Url(object), L"dTpw", body, &outcome)) << object;
    EXPECT_EQ(Text(body), "kept") << object;
    // The caller learns the status the server gave; nothing failed on the way.
    EXPECT_EQ(outcome.status, status) << object;
    EXPECT_EQ(outcome.error, 0u) << object;
    EXPECT_FALSE(outcome.body_cut) << object;
  }
  HttpOutcome whole;
  CBinary body;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/bytes/5000"), L"", body, &whole));
  EXPECT_EQ(whole.status, 200u);
  EXPECT_EQ(whole.received, 5000u);
}

TEST_F(HttpClientTest, UnreachableAndInvalidUrls) {
  CBinary body = Holding("kept");
  HttpOutcome refused;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/small", ports_.c), L"", body, &refused));
  // No answer: no status, and WinINet's reason (12029, cannot connect).
  EXPECT_EQ(refused.status, 0u);
  EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
  for (const wchar_t* url : {L"", L"not a url", L"ftp://127.0.0.1/small", L"http:///small"}) {
    EXPECT_FALSE(HttpGetToBuffer(url, L"", body)) << url;
  }
  EXPECT_EQ(Text(body), "kept");
}

TEST_F(HttpClientTest, RedirectsAreFollowed) {
  for (const wchar_t* code : {L"301", L"302", L"303", L"307"}) {
    CBinary relative;
    EXPECT_TRUE(HttpGetToBuffer(Url(std::wstring(L"/redirect/") + code + L"?to=/small"), L"", relative))
        << code;
    EXPECT_EQ(Text(relative), "hello, world\n") << code;
  }
  CBinary absolute;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/redirect/302?to=" + Url(L"/bytes/5000", ports_.b)), L"",
                              absolute));
  EXPECT_EQ(Text(absolute), Pattern(5000));

  // A redirect to a failure is a failure; so is one without a target.
  CBinary failed;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/redirect/302?to=/status/404"), L"", failed));
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/redirect/302"), L"", failed));
  EXPECT_EQ(failed.GetLength(), 0);
}

TEST_F(HttpClientTest, RedirectsEndAtTheHopLimit) {
  // A redirect to itself ends as a failure instead of going on for ever.
  CBinary loop;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/loop"), L"", loop));
  EXPECT_EQ(loop.GetLength(), 0);

  // Ten redirects in a row are followed, an eleventh is not.
  CBinary ten;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/chain/10"), L"", ten));
  EXPECT_EQ(Text(ten), "end of chain\n");
  CBinary eleven;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/chain/11"), L"", eleven));
  EXPECT_EQ(eleven.GetLength(), 0);
}

TEST_F(HttpClientTest, RequestLineAndHeaders) {
  CBinary body;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/echo?group=g1&x=%41b"), L"dXNlcjpwYXNz", body));
  Echo echo = ParseEcho(Text(body));
  EXPECT_EQ(echo.request_line, "GET /echo?group=g1&x=%41b HTTP/1.1");
  EXPECT_EQ(Values(echo, "Accept"), Strings{"text/*"});
  EXPECT_EQ(Values(echo, "User-Agent"), Strings{"VARNEL NETWORK MODULE"});
  EXPECT_EQ(Values(echo, "Authorization"), Strings{"Basic dXNlcjpwYXNz"});
  EXPECT_EQ(Values(echo, "Host").size(), 1u);

  // The credential goes out unchanged, whatever it holds; an empty one still
  // sends the header (the server trims the space after "Basic").
  CBinary odd;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/echo"), L"a+b/c==", odd));
  EXPECT_EQ(Values(ParseEcho(Text(odd)), "Authorization"), Strings{"Basic a+b/c=="});
  CBinary empty;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/echo"), L"", empty));
  EXPECT_EQ(Values(ParseEcho(Text(empty)), "Authorization"), Strings{"Basic"});

  // The scheme does not change the request: an https URL is still asked in
  // plain HTTP on its port.
  CBinary https;
  ASSERT_TRUE(HttpGetToBuffer(L"https://127.0.0.1:" + std::to_wstring(ports_.a) + L"/echo", L"k",
                              https));
  EXPECT_EQ(ParseEcho(Text(https)).request_line, "GET /echo HTTP/1.1");
}

TEST_F(HttpClientTest, CachesAreBypassed) {
  // The answer says it may be kept for an hour; every call still asks the
  // server again.
  CBinary first, second;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/counter"), L"", first));
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/counter"), L"", second));
  EXPECT_EQ(Text(first).rfind("call ", 0), 0u) << Text(first);
  EXPECT_NE(Text(first), Text(second));

  // Nor does the answer land in the URL cache for anyone else.
  DWORD size = 0;
  EXPECT_FALSE(::GetUrlCacheEntryInfoW(Url(L"/counter").c_str(), nullptr, &size));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(HttpClientTest, CredentialStaysWithItsHostAndPort) {
  const std::wstring credential = L"c2VjcmV0OnB3";
  // Same host and port: the credential follows the redirect.
  CBinary same;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/redirect/302?to=/echo"), credential, same));
  EXPECT_EQ(Values(ParseEcho(Text(same)), "Authorization"), Strings{"Basic c2VjcmV0OnB3"});
  CBinary sameAbsolute;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/redirect/301?to=" + Url(L"/echo")), credential, sameAbsolute));
  EXPECT_EQ(Values(ParseEcho(Text(sameAbsolute)), "Authorization"),
            Strings{"Basic c2VjcmV0OnB3"});

  // Another port, or another host name: followed without it.
  CBinary otherPort;
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/redirect/302?to=" + Url(L"/echo", ports_.b)), credential,
                              otherPort));
  Echo echo = ParseEcho(Text(otherPort));
  EXPECT_EQ(echo.request_line, "GET /echo HTTP/1.1");
  EXPECT_TRUE(Values(echo, "Authorization").empty());
  EXPECT_EQ(Values(echo, "User-Agent"), Strings{"VARNEL NETWORK MODULE"});

  CBinary otherHost;
  std::wstring localhost = L"http://localhost:" + std::to_wstring(ports_.a) + L"/echo";
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/redirect/307?to=" + localhost), credential, otherHost));
  EXPECT_TRUE(Values(ParseEcho(Text(otherHost)), "Authorization").empty());

  // Leaving and coming back through a second redirect on the other port.
  CBinary away;
  std::wstring back = Url(L"/redirect/302%3Fto%3D" + Url(L"/echo"), ports_.b);
  ASSERT_TRUE(HttpGetToBuffer(Url(L"/redirect/302?to=" + back), credential, away));
  EXPECT_EQ(Values(ParseEcho(Text(away)), "Authorization"), Strings{"Basic c2VjcmV0OnB3"});
}

TEST_F(HttpClientTest, BodyCutShortIsAFailure) {
  CBinary cut;
  HttpOutcome outcome;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/cut/5000/2000"), L"", cut, &outcome));
  EXPECT_EQ(outcome.status, 200u);
  EXPECT_TRUE(outcome.body_cut);
  EXPECT_EQ(outcome.received, 2000u);
  CBinary cutEarly;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/cut/300000/0"), L"", cutEarly));
  CBinary chunkedCut;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/chunked-cut/3000"), L"", chunkedCut));
  // The whole of the same bodies is fine.
  CBinary whole;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/cut/5000/5000"), L"", whole));
  EXPECT_EQ(Text(whole), Pattern(5000));
}

TEST_F(HttpClientTest, ChunkedBodyFromAServerThatCloses) {
  // The server closes the connection after a complete chunked body, as it
  // said it would: that is a success, not a cut.
  for (const wchar_t* kind : {L"connection", L"proxy", L"http10"}) {
    CBinary body = Holding("pre:");
    EXPECT_TRUE(HttpGetToBuffer(Url(std::wstring(L"/closing-chunked/") + kind + L"/5000", ports_.d),
                                L"", body))
        << kind;
    EXPECT_EQ(Text(body), "pre:" + Pattern(5000)) << kind;
  }
}

namespace {

// Remembers the largest room asked of the buffer.
class RecordingBinary : public CBinary {
 public:
  BYTE* GetBuffer(int size) override {
    if (size > largest) largest = size;
    return CBinary::GetBuffer(size);
  }
  int largest = 0;
};

}  // namespace

TEST_F(HttpClientTest, AnnouncedLengthDoesNotDecideTheMemoryTaken) {
  // 1.5 GB announced, 2000 bytes sent: the announcement is no reason to ask
  // for more than a modest block up front, and the bytes that did arrive are
  // kept.
  RecordingBinary body;
  EXPECT_FALSE(HttpGetToBuffer(Url(L"/cut/1500000000/2000"), L"", body));
  EXPECT_LE(body.largest, 16 * 1024 * 1024 + 64);
  EXPECT_TRUE(Text(body) == Pattern(2000));

  // An honest length still arrives whole.
  RecordingBinary honest;
  EXPECT_TRUE(HttpGetToBuffer(Url(L"/bytes/300000"), L"", honest));
  EXPECT_TRUE(Text(honest) == Pattern(300000));
}

TEST_F(HttpClientTest, DownloadWritesAndReplacesTheFile) {
  ScratchFolder dir;
  std::wstring path = dir / L"DepotronSetup.msi";
  EXPECT_TRUE(HttpDownloadToFile(Url(L"/bytes/5000"), L"dTpw", path));
  EXPECT_EQ(ReadBytes(path), Pattern(5000));

  ASSERT_TRUE(WriteBytes(path, std::string(20000, 'x')));  // longer: truncated
  EXPECT_TRUE(HttpDownloadToFile(Url(L"/chunked/3000"), L"", path));
  EXPECT_EQ(ReadBytes(path), Pattern(3000));

  EXPECT_TRUE(HttpDownloadToFile(Url(L"/empty"), L"", path));
  bool exists = false;
  EXPECT_EQ(ReadBytes(path, &exists), "");
  EXPECT_TRUE(exists);

  EXPECT_TRUE(HttpDownloadToFile(Url(L"/redirect/302?to=/bytes/7000"), L"", path));
  EXPECT_EQ(ReadBytes(path), Pattern(7000));
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::wstring>{L"DepotronSetup.msi"});
}

TEST_F(HttpClientTest, FailedDownloadLeavesNothingUnderTheFinalName) {
  ScratchFolder dir;
  std::wstring path = dir / L"DepotronSetup.msi";
  for (const wchar_t* object : {L"/cut/5000/2000", L"/chunked-cut/3000", L"/status/404"}) {
    EXPECT_FALSE(HttpDownloadToFile(Url(object), L"", path)) << object;
    EXPECT_FALSE(PathExists(path)) << object;
    EXPECT_TRUE(FilesIn(dir.path()).empty()) << object;  // no temporary file left behind
  }
  // A file that was there stays as it was.
  ASSERT_TRUE(WriteBytes(path, std::string("previous installer")));
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/cut/5000/2000"), L"", path));
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/small", ports_.c), L"", path));
  EXPECT_EQ(ReadBytes(path), "previous installer");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::wstring>{L"DepotronSetup.msi"});
}

TEST_F(HttpClientTest, DownloadGoesThroughAFixedNameBesideTheDestination) {
  ScratchFolder dir;
  std::wstring path = dir / L"DepotronSetup.msi";
  std::wstring partial = path + L".download";

  // What an interrupted run left behind is replaced by the next download ...
  ASSERT_TRUE(WriteBytes(partial, std::string(9000, 'p')));
  EXPECT_TRUE(HttpDownloadToFile(Url(L"/bytes/5000"), L"", path));
  EXPECT_TRUE(ReadBytes(path) == Pattern(5000));
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::wstring>{L"DepotronSetup.msi"});

  // ... and removed by a failed one, whatever the failure.
  for (const wchar_t* object : {L"/cut/5000/2000", L"/status/404"}) {
    ASSERT_TRUE(WriteBytes(partial, std::string(9000, 'p')));
    EXPECT_FALSE(HttpDownloadToFile(Url(object), L"", path)) << object;
    EXPECT_FALSE(PathExists(partial)) << object;
    EXPECT_TRUE(ReadBytes(path) == Pattern(5000)) << object;
  }

  // While another download writes that file, this one fails and leaves the
  // other's bytes alone.
  ASSERT_TRUE(WriteBytes(partial, std::string("other download")));
  HANDLE busy = ::CreateFileW(partial.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/bytes/7000"), L"", path));
  ::CloseHandle(busy);
  EXPECT_EQ(ReadBytes(partial), "other download");
  EXPECT_TRUE(ReadBytes(path) == Pattern(5000));
}

TEST_F(HttpClientTest, DownloadIntoAFolderWithALongPath) {
  // A folder path of 247 characters, too long for a generated temporary name
  // (at most MAX_PATH - 14 for the folder), still takes a short file name.
  ScratchFolder dir;
  std::wstring folder = dir.path() + L"\\";
  ASSERT_LT(folder.size(), 247u);
  folder += std::wstring(247 - folder.size(), L'f');
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  std::wstring path = folder + L"\\s";
  EXPECT_TRUE(HttpDownloadToFile(Url(L"/bytes/3000"), L"", path));
  EXPECT_TRUE(ReadBytes(path) == Pattern(3000));
  EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"s"});
}

TEST_F(HttpClientTest, DownloadToAPlaceThatCannotTakeTheFile) {
  ScratchFolder dir;
  std::wstring missing = dir / L"no\\such\\folder\\setup.msi";
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/small"), L"", missing));
  EXPECT_FALSE(PathExists(missing));
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/small"), L"", L""));

  // The destination is a folder, or held open by someone else.
  std::wstring folder = dir / L"folder";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/small"), L"", folder));
  std::wstring busy = dir / L"busy.msi";
  ASSERT_TRUE(WriteBytes(busy, std::string("in use")));
  HANDLE hold = ::CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(HttpDownloadToFile(Url(L"/small"), L"", busy));
  ::CloseHandle(hold);
  EXPECT_EQ(ReadBytes(busy), "in use");
  auto left = FilesIn(dir.path());
  EXPECT_EQ(left.size(), 2u);  // folder and busy.msi, no temporary files
}
