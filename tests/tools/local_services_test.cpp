// The local services on their own, natively: each route, the credential
// checks, the decoding of what the product percent-encodes, the faults the
// data file can ask for, and the request log. Requests are sent the way a
// proxy client sends them, in the absolute form, straight to the port.

#include <httplib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kDelivery[] = "Basic ZGVwb3Q6VnRzLTIwMjY";
const char kStatus[] = "Basic bm90aWZ5LWNoZWNrOnZ0cy1sb2NhbC0yMDI2";
const char kCheck[] = "http://status.varnel.example/kakonotify_send/setup_check.cgi";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

// "パスワードが違います" in code page 932.
const char kWrongPasswordSjis[] =
    "\x83\x70\x83\x58\x83\x8f\x81\x5b\x83\x68\x82\xaa\x88\xe1\x82\xa2\x82\xdc\x82\xb7";

struct Reply {
  int status = -1;  // -1: no complete answer
  std::string body;
  httplib::Headers headers;
};

class LocalServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::ifstream(Env("VTS_SERVICES_PORT_FILE")) >> port_;
    ASSERT_GT(port_, 0) << "local services not running (VTS_SERVICES_PORT_FILE)";
    data_ = Env("VTS_SERVICES_DATA");
    log_ = Env("VTS_SERVICES_LOG");
    std::string dir = data_.substr(0, data_.rfind('/'));
    package_ = dir + "/package.bin";
    std::ofstream(package_, std::ios::binary) << std::string("MSI\0package", 11);
    WriteData(
        "; groups\n"
        "[group demo]\n"
        "version=5.2.0\n"
        "[group no-license]\n"
        "version=5.2.0\n"
        "license=none\n"
        "[group bare-lf]\n"
        "version=5.2.0\n"
        "line-ends=lf\n"
        "[group no-version]\n"
        "[group raw]\n"
        "body=[License]\\r\\n0=7.1.0\n"
        "[group broken]\n"
        "status=500\n"
        "[group moved]\n"
        "status=302\n"
        "location=http://delivery.varnel.example/depotron/version/demo.ini\n"
        "[group slow]\n"
        "version=5.2.0\n"
        "delay=400\n"
        "[group cut]\n"
        "version=5.2.0\n"
        "cut=10\n"
        "[group chunked]\n"
        "version=5.2.0\n"
        "chunked=yes\n"
        "[group chunked-cut]\n"
        "version=5.2.0\n"
        "chunked=yes\n"
        "cut=10\n"
        "[group reset]\n"
        "version=5.2.0\n"
        "reset=10\n"
        "[group a&b/c d]\n"
        "version=5.3.0\n"
        "[installer 5.2.0]\n"
        "file=package.bin\n"
        "[installer 5.3.0]\n"
        "status=404\n"
        "[box VT0001]\n"
        "password=pw\n"
        "[box VT0002]\n"
        "password=a&b #1=2+\n"
        "[box 加工]\n"
        "password=パス\n"
        "error=停止中\n"
        "[box raw]\n"
        "body=##COMPLETE##\\x00##ERROR## x<\n");
    mark_ = Lines(log_).size();
  }

  void WriteData(const std::string& text) {
    std::string temp = data_ + ".new";
    std::ofstream(temp, std::ios::binary) << text;
    ASSERT_EQ(std::rename(temp.c_str(), data_.c_str()), 0);
  }

  // One GET in the absolute form, as WinINet sends it to its proxy.
  Reply Get(const std::string& url, const char* authorization) {
    httplib::Client client("127.0.0.1", port_);
    client.set_url_encode(false);
    client.set_read_timeout(10, 0);
    httplib::Headers headers;
    if (authorization) headers.emplace("Authorization", authorization);
    Reply reply;
    if (auto result = client.Get(url.c_str(), headers)) {
      reply.status = result->status;
      reply.body = result->body;
      reply.headers = result->headers;
    }
    return reply;
  }

  std::vector<std::vector<std::string>> Logged() {
    std::vector<std::vector<std::string>> out;
    auto lines = Lines(log_);
    for (size_t i = mark_; i < lines.size(); ++i) out.push_back(Fields(lines[i]));
    return out;
  }

  int port_ = 0;
  std::string data_, log_, package_;
  size_t mark_ = 0;
};

TEST_F(LocalServicesTest, DescriptorsFollowTheDataFile) {
  Reply demo = Get("http://delivery.varnel.example:80/depotron/version/demo.ini", kDelivery);
  EXPECT_EQ(demo.status, 200);
  EXPECT_NE(demo.body.find("\r\n\r\n[License]\r\n0=5.2.0\r\n"), std::string::npos) << demo.body;
  EXPECT_EQ(demo.body.find("\n\n"), std::string::npos) << "CR LF throughout";

  Reply noLicense = Get("http://delivery.varnel.example/depotron/version/no-license.ini", kDelivery);
  EXPECT_EQ(noLicense.status, 200);
  EXPECT_EQ(noLicense.body.find("[License]"), std::string::npos);
  EXPECT_EQ(noLicense.body.find("0="), std::string::npos);

  Reply bare_lf = Get("http://delivery.varnel.example/depotron/version/bare-lf.ini", kDelivery);
  EXPECT_NE(bare_lf.body.find("\n[License]\n0=5.2.0\n"), std::string::npos);
  EXPECT_EQ(bare_lf.body.find('\r'), std::string::npos);

  Reply noVersion = Get("http://delivery.varnel.example/depotron/version/no-version.ini", kDelivery);
  EXPECT_NE(noVersion.body.find("[License]"), std::string::npos);
  EXPECT_EQ(noVersion.body.find("0="), std::string::npos);

  Reply raw = Get("http://delivery.varnel.example/depotron/version/raw.ini", kDelivery);
  EXPECT_EQ(raw.body, "[License]\r\n0=7.1.0");

  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/unknown.ini", kDelivery).status, 404);
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/.ini", kDelivery).status, 404);
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/other/demo.ini", kDelivery).status, 404);
}

TEST_F(LocalServicesTest, EveryCredentialIsComparedWhole) {
  const std::string url = "http://delivery.varnel.example/depotron/version/demo.ini";
  EXPECT_EQ(Get(url, kDelivery).status, 200);
  Reply wrong = Get(url, kStatus);
  EXPECT_EQ(wrong.status, 401);
  EXPECT_NE(wrong.headers.find("WWW-Authenticate"), wrong.headers.end());
  EXPECT_EQ(Get(url, nullptr).status, 401);
  EXPECT_EQ(Get(url, "Basic ").status, 401);
  EXPECT_EQ(Get(url, "Basic ZGVwb3Q6VnRzLTIwMjYx").status, 401);
  EXPECT_EQ(Get(url, "Basic ZGVwb3Q6VnRzLTIwMj").status, 401);
  EXPECT_EQ(Get(url, "basic ZGVwb3Q6VnRzLTIwMjY").status, 401);

  const std::string check = std::string(kCheck) + "?userid=VT0001&password=pw";
  EXPECT_EQ(Get(check, kStatus).body, "##COMPLETE##");
  EXPECT_EQ(Get(check, kDelivery).status, 401);
}

TEST_F(LocalServicesTest, OnlyTheTwoHostsOnPort80AreServed) {
  EXPECT_EQ(Get("http://example.com/depotron/version/demo.ini", kDelivery).status, 502);
  EXPECT_EQ(Get("http://delivery.varnel.example:8080/depotron/version/demo.ini", kDelivery).status, 502);
  EXPECT_EQ(Get("http://DELIVERY.Varnel.Example/depotron/version/demo.ini", kDelivery).status, 200);
  // The origin form with a Host header, as a direct client sends it.
  httplib::Client client("127.0.0.1", port_);
  auto direct = client.Get("/kakonotify_send/setup_check.cgi?userid=VT0001&password=pw",
                           {{"Host", "status.varnel.example"}, {"Authorization", kStatus}});
  ASSERT_TRUE(direct);
  EXPECT_EQ(direct->body, "##COMPLETE##");
}

TEST_F(LocalServicesTest, StatusAnswersForKnownAndRefusedBoxes) {
  EXPECT_EQ(Get(std::string(kCheck) + "?userid=VT0002&password=a%26b%20%231%3D2%2B", kStatus).body,
            "##COMPLETE##");
  // "+" is no blank: the product sends a blank as %20.
  EXPECT_NE(Get(std::string(kCheck) + "?userid=VT0002&password=a%26b+%231%3D2%2B", kStatus).body,
            "##COMPLETE##");
  // The unescaped form splits the password at "&" and is refused.
  Reply split = Get(std::string(kCheck) + "?userid=VT0002&password=a&b%20%231%3D2%2B", kStatus);
  EXPECT_EQ(split.status, 200);
  EXPECT_NE(split.body.find(std::string("##ERROR## ") + kWrongPasswordSjis + "</p>"),
            std::string::npos);
  // The refusal does not begin with the marker: text comes before it.
  EXPECT_GT(split.body.find("##ERROR##"), 0u);

  Reply japanese = Get(std::string(kCheck) + "?userid=%E5%8A%A0%E5%B7%A5&password=%E3%83%91%E3%82%B9",
                       kStatus);
  EXPECT_EQ(japanese.body, "##COMPLETE##");
  Reply ownError = Get(std::string(kCheck) + "?userid=%E5%8A%A0%E5%B7%A5&password=x", kStatus);
  EXPECT_NE(ownError.body.find("##ERROR## \x92\xe2\x8e\x7e\x92\x86<"), std::string::npos)
      << "停止中 in code page 932";

  Reply unknown = Get(std::string(kCheck) + "?userid=nobody&password=pw", kStatus);
  EXPECT_NE(unknown.body.find("##ERROR## "), std::string::npos);
  EXPECT_EQ(unknown.body.find("##COMPLETE##"), std::string::npos);
  Reply noQuery = Get(kCheck, kStatus);
  EXPECT_EQ(noQuery.body.find("##COMPLETE##"), std::string::npos);
  EXPECT_EQ(Get(std::string(kCheck) + "?userid=VT0001", kStatus).body.find("##COMPLETE##"),
            std::string::npos);

  Reply raw = Get(std::string(kCheck) + "?userid=raw&password=", kStatus);
  EXPECT_EQ(raw.body, std::string("##COMPLETE##\0##ERROR## x<", 25));
  EXPECT_EQ(Get("http://status.varnel.example/kakonotify_send/other.cgi", kStatus).status, 404);
}

TEST_F(LocalServicesTest, InstallerPackagesForDeliveredVersions) {
  Reply package = Get("http://delivery.varnel.example/depotron/installer/Depotron/5.2.0/VarnelDepotron.msi",
                      kDelivery);
  EXPECT_EQ(package.status, 200);
  EXPECT_EQ(package.body, std::string("MSI\0package", 11));
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/installer/Depotron/5.3.0/VarnelDepotron.msi",
                kDelivery).status, 404);
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/installer/Depotron/9.0.0/VarnelDepotron.msi",
                kDelivery).status, 404);
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/installer/Depotron/5.2.0/Other.msi",
                kDelivery).status, 404);
  // A delivered version whose package file is missing is the server's fault.
  WriteData("[group g]\nversion=8.0.0\n");
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/installer/Depotron/8.0.0/VarnelDepotron.msi",
                kDelivery).status, 500);
}

TEST_F(LocalServicesTest, FaultsAskedForByTheDataFile) {
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/broken.ini", kDelivery).status, 500);
  Reply moved = Get("http://delivery.varnel.example/depotron/version/moved.ini", kDelivery);
  EXPECT_EQ(moved.status, 302);
  auto location = moved.headers.find("Location");
  ASSERT_NE(location, moved.headers.end());
  EXPECT_EQ(location->second, "http://delivery.varnel.example/depotron/version/demo.ini");

  auto start = std::chrono::steady_clock::now();
  Reply slow = Get("http://delivery.varnel.example/depotron/version/slow.ini", kDelivery);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(slow.status, 200);
  EXPECT_GE(waited, std::chrono::milliseconds(400));

  // Announced whole, cut after 10 bytes: the client sees no complete answer.
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/cut.ini", kDelivery).status, -1);

  // A misspelt key is refused loudly rather than ignored.
  WriteData("[group demo]\nversoin=5.2.0\n");
  Reply misspelt = Get("http://delivery.varnel.example/depotron/version/demo.ini", kDelivery);
  EXPECT_EQ(misspelt.status, 500);
  EXPECT_NE(misspelt.body.find("unknown key versoin"), std::string::npos) << misspelt.body;
}

// What the connection does at the end of the body, seen on a socket of our
// own: a closed one reads 0, a reset one fails with ECONNRESET.
struct RawReply {
  std::string bytes;
  bool reset = false;
};

RawReply RawGet(int port, const std::string& target) {
  RawReply reply;
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) close(fd);
    return reply;
  }
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: delivery.varnel.example\r\n"
                        "Authorization: " + kDelivery + "\r\nConnection: close\r\n\r\n";
  send(fd, request.data(), request.size(), 0);
  char buffer[4096];
  for (;;) {
    ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got > 0) {
      reply.bytes.append(buffer, static_cast<size_t>(got));
      continue;
    }
    reply.reset = got < 0 && errno == ECONNRESET;
    break;
  }
  close(fd);
  return reply;
}

TEST_F(LocalServicesTest, ChunkedBodiesWholeOrCutAndResetConnections) {
  Reply chunked = Get("http://delivery.varnel.example/depotron/version/chunked.ini", kDelivery);
  EXPECT_EQ(chunked.status, 200);
  EXPECT_NE(chunked.body.find("0=5.2.0\r\n"), std::string::npos);
  EXPECT_EQ(chunked.headers.count("Content-Length"), 0u);

  RawReply cut = RawGet(port_, "http://delivery.varnel.example/depotron/version/chunked-cut.ini");
  EXPECT_NE(cut.bytes.find("Transfer-Encoding: chunked"), std::string::npos) << cut.bytes;
  EXPECT_NE(cut.bytes.find("\r\n\r\na\r\n[Depotron]"), std::string::npos) << cut.bytes;
  EXPECT_EQ(cut.bytes.find("\r\n0\r\n"), std::string::npos) << "the last chunk came";
  EXPECT_FALSE(cut.reset);

  RawReply reset = RawGet(port_, "http://delivery.varnel.example/depotron/version/reset.ini");
  EXPECT_TRUE(reset.reset);
  EXPECT_NE(reset.bytes.find("Content-Length: "), std::string::npos) << reset.bytes;
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/reset.ini", kDelivery).status, -1);
}

TEST_F(LocalServicesTest, DecodedGroupNamesAreLookedUpWhole) {
  Reply escaped = Get("http://delivery.varnel.example/depotron/version/a%26b%2Fc%20d.ini", kDelivery);
  EXPECT_EQ(escaped.status, 200);
  EXPECT_NE(escaped.body.find("0=5.3.0\r\n"), std::string::npos);
  // A stray "%" stays as it is.
  WriteData("[group 100%]\nversion=5.2.0\n");
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/100%.ini", kDelivery).status, 200);
  EXPECT_EQ(Get("http://delivery.varnel.example/depotron/version/100%25.ini", kDelivery).status, 200);
}

TEST_F(LocalServicesTest, EveryRequestIsLoggedOnOneLine) {
  Get(std::string(kCheck) + "?userid=VT0002&password=tab%09nl%0Aback%5C", kStatus);
  Get("http://delivery.varnel.example/depotron/version/demo.ini", nullptr);
  Get("http://elsewhere.example/", kDelivery);
  auto logged = Logged();
  ASSERT_EQ(logged.size(), 3u);

  const auto& check = logged[0];
  ASSERT_EQ(check.size(), 8u);
  // 2026-12-09T12:00:00.123Z
  EXPECT_EQ(check[0].size(), 24u);
  EXPECT_EQ(check[0][10], 'T');
  EXPECT_EQ(check[0].back(), 'Z');
  EXPECT_EQ(check[1], "GET");
  EXPECT_EQ(check[2], "200");
  EXPECT_EQ(check[3], std::string(kCheck) + "?userid=VT0002&password=tab%09nl%0Aback%5C");
  EXPECT_EQ(check[4], kStatus);
  EXPECT_EQ(check[5], "/kakonotify_send/setup_check.cgi");
  EXPECT_EQ(check[6], "userid=VT0002");
  EXPECT_EQ(check[7], "password=tab\\tnl\\nback\\\\");

  EXPECT_EQ(logged[1][2], "401");
  EXPECT_EQ(logged[1][4], "(none)");
  EXPECT_EQ(logged[2][2], "502");
  EXPECT_EQ(logged[2][3], "http://elsewhere.example/");
}

}  // namespace
