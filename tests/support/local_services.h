#pragma once
// Windows tests' side of the local delivery server and status service
// (tools/local-services): where the running services are, their data file
// and request log, and the proxy setting of the prefix that leads the
// product's WinINet requests to them.
//
// A test started by the local_services ctest fixture
// (tools/local-services/LocalServices.cmake) finds three Unix paths in its
// environment: VTS_SERVICES_PORT_FILE, VTS_SERVICES_DATA, VTS_SERVICES_LOG.
//
//   test_support::LocalServices services;            // reads the environment
//   ASSERT_TRUE(services.ok()) << services.problem();
//   test_support::ProxyScope proxy(services.port()); // HKCU Internet Settings
//   services.WriteData("[group g]\nversion=5.2.0\n");
//   size_t mark = services.RequestCount();
//   ... run the product ...
//   auto sent = services.RequestsSince(mark);   // what reached the services
//
// Header only, on the shared test support (vts_test_support, which every
// Wine test links): its paths and registry values for one test.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kit/escape_text.h"
#include "support/programs.h"
#include "support/registry.h"

namespace test_support {

// One line of the services' request log, unescaped. `url` is the request
// target as received (the absolute form through the proxy), `path` its path
// percent-decoded, `query` the decoded query parameters in order. Texts are
// the bytes on the wire, decoded where said: UTF-8 for the product's input.
struct ServiceRequest {
  std::string time;  // UTC, "2026-12-09T12:00:00.123Z"
  std::string method;
  int status = 0;  // what the services answered
  std::string url;
  std::string authorization;  // "(none)" when the header was missing
  std::string path;
  std::vector<std::pair<std::string, std::string>> query;

  // The first value of a query parameter; `found` tells an empty one apart.
  std::string Param(const std::string& name, bool* found = nullptr) const {
    for (const auto& [key, value] : query) {
      if (key == name) {
        if (found) *found = true;
        return value;
      }
    }
    if (found) *found = false;
    return std::string();
  }
};

// A log field's escapes (kit/escape_text.h) back to their bytes.
inline std::string UnescapeLogField(const std::string& text) { return kit::UnescapeBytes(text); }

inline bool ParseServiceLogLine(const std::string& line, ServiceRequest& request) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (fields.size() < 6) return false;
  request = ServiceRequest();
  request.time = fields[0];
  request.method = UnescapeLogField(fields[1]);
  request.status = std::atoi(fields[2].c_str());
  request.url = UnescapeLogField(fields[3]);
  request.authorization = fields[4] == "(none)" ? fields[4] : UnescapeLogField(fields[4]);
  request.path = UnescapeLogField(fields[5]);
  for (size_t i = 6; i < fields.size(); ++i) {
    size_t eq = fields[i].find('=');
    request.query.emplace_back(UnescapeLogField(fields[i].substr(0, eq)),
                               eq == std::string::npos ? std::string()
                                                       : UnescapeLogField(fields[i].substr(eq + 1)));
  }
  return true;
}

class LocalServices {
 public:
  LocalServices() {
    const char* portFile = std::getenv("VTS_SERVICES_PORT_FILE");
    const char* data = std::getenv("VTS_SERVICES_DATA");
    const char* log = std::getenv("VTS_SERVICES_LOG");
    if (!portFile || !data || !log) {
      problem_ = "local services not set up (VTS_SERVICES_PORT_FILE, VTS_SERVICES_DATA, "
                 "VTS_SERVICES_LOG): run the test through ctest";
      return;
    }
    data_path_ = WindowsPathOfUnixPath(data);
    log_path_ = WindowsPathOfUnixPath(log);
    std::ifstream(std::filesystem::path(WindowsPathOfUnixPath(portFile))) >> port_;
    if (port_ <= 0) problem_ = std::string("local services not running: no port in ") + portFile;
  }

  bool ok() const { return problem_.empty(); }
  const std::string& problem() const { return problem_; }
  int port() const { return port_; }
  const std::wstring& dataPath() const { return data_path_; }
  const std::wstring& logPath() const { return log_path_; }

  // Replaces the data file in one step (the services read it on every
  // request, so the next request sees exactly this text). UTF-8.
  bool WriteData(const std::string& text) const {
    std::wstring temp = data_path_ + L".new";
    {
      std::ofstream out(std::filesystem::path(temp), std::ios::binary | std::ios::trunc);
      out << text;
      if (!out.flush()) return false;
    }
    return ::MoveFileExW(temp.c_str(), data_path_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }

  std::vector<ServiceRequest> Requests() const { return RequestsSince(0); }
  size_t RequestCount() const { return Lines().size(); }
  std::vector<ServiceRequest> RequestsSince(size_t mark) const {
    std::vector<ServiceRequest> out;
    std::vector<std::string> lines = Lines();
    for (size_t i = mark; i < lines.size(); ++i) {
      ServiceRequest request;
      if (ParseServiceLogLine(lines[i], request)) out.push_back(std::move(request));
    }
    return out;
  }

 private:
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(std::filesystem::path(log_path_), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }

  std::string problem_;
  std::wstring data_path_, log_path_;
  int port_ = 0;
};

// Points the current user's Internet Settings at the local services as the
// proxy for every protocol (ProxyEnable 1, ProxyServer "127.0.0.1:PORT"),
// the setting that WinINet's INTERNET_OPEN_TYPE_PRECONFIG reads on each
// session, and puts back what was there (or removes it) when it ends.
// Loopback addresses stay direct (ProxyOverride "127.0.0.1;localhost"), so
// a setting left behind by a test that died never diverts the tests that
// talk to 127.0.0.1 themselves.
class ProxyScope {
 public:
  explicit ProxyScope(int port) {
    ok_ = enable_.SetDword(1) && server_.SetString(L"127.0.0.1:" + std::to_wstring(port)) &&
          override_.SetString(L"127.0.0.1;localhost");
  }
  ProxyScope(const ProxyScope&) = delete;
  ProxyScope& operator=(const ProxyScope&) = delete;

  bool ok() const { return ok_; }

 private:
  static constexpr const wchar_t* kKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

  ScopedRegistryValue enable_{HKEY_CURRENT_USER, kKey, L"ProxyEnable"};
  ScopedRegistryValue server_{HKEY_CURRENT_USER, kKey, L"ProxyServer"};
  ScopedRegistryValue override_{HKEY_CURRENT_USER, kKey, L"ProxyOverride"};
  bool ok_ = false;
};

}  // namespace test_support
