// The run's three requests (the delivery descriptor, the send-box check, the
// installer package) against a world that goes wrong in every ordinary way:
// nobody listening, refusals, redirects within the host, to another host and
// in a loop, bodies that break off (announced too long, chunked without the
// last chunk, a reset connection), an empty 200 and a slow answer. Each step
// runs on its own under Wine, through the prefix's proxy to the local
// services, whose data file asks for the fault. A failure must end with the
// message of that step and never pass for a success; the credential never
// leaves its host; a failed download leaves no package and opens none. The
// run's record names the request with what answered it (or why nothing
// did), and never the passwords or the credentials.

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/scoped_handle.h"
#include "support/fake_depotron.h"
#include "support/local_services.h"
#include "setup/run_record.h"
#include "setup/setup_run.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "support/files.h"
#include "support/programs.h"
#include "sysops/product_paths.h"

namespace {

using setup::CSetupRun;
using setup::SetupInputs;
using setup_test::kGroupNotFound;
using setup_test::kCheckFailed;
using setup_test::kCheckError;
using setup_test::kDownloadFailed;
using setup_test::kNotDelivered;
using setup_test::FixedLogon;
using setup_test::RecordingSink;


const char kDelivery[] = "http://delivery.varnel.example";
const char kStatus[] = "http://status.varnel.example";
const char kGroupPath[] = "/depotron/version/";
const char kCheckPath[] = "/kakonotify_send/setup_check.cgi";
const char kPackagePath[] = "/depotron/installer/Depotron/";

// What every case finds besides the section that misbehaves: a group, a box
// and a package that answer properly, for redirects to lead to.
const char kSoundData[] =
    "[group sound]\nversion=5.2.0\n"
    "[box SOUND]\npassword=pw\n";

// The answer a fault is applied to: a descriptor, a send-box verdict with a
// whole page after "##COMPLETE##" (so that a body cut after the marker is
// still a cut body), or a package.
enum class Request { kDescriptor, kCheck, kPackage };

struct Fault {
  const char* name;
  // fault keys of the misbehaving section; "refused": no server at all;
  // "empty": an empty body, "page": an HTML page instead of the answer
  std::string lines;
  bool succeeds;      // the step goes through (after following what it was told)
  // What the record's line of the request says besides the request itself;
  // where the fault may show in another form, the other form too.
  std::vector<std::string> record;
  std::vector<std::string> record_otherwise = {};
};

// An answer of another kind altogether, as a proxy's or a portal's.
const char kForeignPage[] = "<html><body>Maintenance until 6:00</body></html>";

// The URL of the misbehaving resource, or of its sound twin on the same host.
std::string Url(Request request, bool faulty) {
  switch (request) {
    case Request::kDescriptor:
      return std::string(kDelivery) + kGroupPath + (faulty ? "faulty" : "sound") + ".ini";
    case Request::kCheck:
      return std::string(kStatus) + kCheckPath + "?userid=" + (faulty ? "FAULTY" : "SOUND") +
             "&password=pw";
    case Request::kPackage:
      return std::string(kDelivery) + kPackagePath + (faulty ? "7.7.7" : "5.2.0") +
             "/VarnelDepotron.msi";
  }
  return std::string();
}
std::string FaultyUrl(Request request) { return Url(request, true); }
std::string SoundUrl(Request request) { return Url(request, false); }

std::vector<Fault> Faults(Request request) {
  // Where the body breaks off: after the version line, right after the
  // send-box marker, a little way into the package.
  const std::string cut = request == Request::kDescriptor ? "70"
                          : request == Request::kCheck    ? "12"
                                                          : "3000";
  const std::string elsewhere = "http://elsewhere.varnel.example/moved";
  // WinINet's own error codes (12001 to 12175) say why nothing answered.
  return {
      {"connection refused", "refused", false, {"no answer", "Windows error 120"}},
      {"401", "status=401\n", false, {"HTTP 401"}},
      {"404", "status=404\n", false, {"HTTP 404"}},
      {"500", "status=500\n", false, {"HTTP 500"}},
      {"redirect within the host", "status=302\nlocation=" + SoundUrl(request) + "\n", true,
       {"HTTP 200"}},
      // Only the two hosts are served; the rest is 502.
      {"redirect to another host", "status=301\nlocation=" + elsewhere + "\n", false,
       {"HTTP 502"}},
      {"redirect loop", "status=302\nlocation=" + FaultyUrl(request) + "\n", false,
       {"HTTP 302"}},
      {"Content-Length longer than the body", "cut=" + cut + "\n", false, {"HTTP 200", "the body"}},
      {"chunked body cut short", "chunked=yes\ncut=" + cut + "\n", false,
       {"HTTP 200", "the body"}},
      // The reset may overtake the answer's head in the client's buffers:
      // then the record says no answer came, with the broken connection's
      // error (12030 aborted, 12031 reset).
      {"connection reset mid-body", "reset=" + cut + "\n", false, {"HTTP 200", "the body"},
       {"no answer", "Windows error 1203"}},
      // The group exists, the box check understands nothing, the package is
      // no package: each its own outcome, checked below.
      {"empty 200", "empty", request == Request::kDescriptor, {"HTTP 200, 0 bytes"}},
      {"a page that is not its answer", "page", request == Request::kDescriptor,
       {"HTTP 200, " + std::to_string(sizeof kForeignPage - 1) + " bytes"}},
      {"slow answer", "delay=1500\n", true, {"HTTP 200"}},
  };
}

// A port on loopback where nobody listens.
int ClosedPort() {
  WSADATA wsa;
  if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int port = 0;
  int size = sizeof address;
  if (s != INVALID_SOCKET && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (s != INVALID_SOCKET) ::closesocket(s);
  ::WSACleanup();
  return port;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

// What another process could do to `file`: the tamperer's exit code (1
// overwritten, 2 renamed, 4 deleted), or ~0u when it did not run.
DWORD Tamper(const std::wstring& file) {
  const test_support::StartedProgram tamperer = test_support::StartProgram(
      test_support::NextToThisTest(L"setup_file_tamperer.exe"), L"\"" + file + L"\"");
  if (!tamperer.process || ::WaitForSingleObject(tamperer.process.get(), 30000) != WAIT_OBJECT_0) {
    return ~0u;
  }
  DWORD code = ~0u;
  ::GetExitCodeProcess(tamperer.process.get(), &code);
  return code;
}

// The shell opener the product uses, with another process trying to change
// the file at the very moment it is opened.
class TamperingOpener : public setup::IShellOpener {
 public:
  bool Open(const std::wstring& file) override {
    opening = true;
    opened = file;
    tampered = Tamper(file);
    bytes = test_support::ReadBytes(file);
    return shell_.Open(file);
  }
  std::atomic<bool> opening{false};
  std::wstring opened;
  DWORD tampered = ~0u;
  std::string bytes;

 private:
  setup::ShellOpener shell_;
};

class WebFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(services_.ok()) << services_.problem();
    ::DeleteFileW(marker_.path().c_str());
    ::DeleteFileW(package_.path().c_str());
    ::DeleteFileW(private_.path().c_str());
    ::DeleteFileW(partial_.path().c_str());
    empty_ = FolderOf(services_.dataPath()) + L"\\empty.bin";
    EXPECT_TRUE(test_support::WriteBytes(empty_, ""));
    page_ = FolderOf(services_.dataPath()) + L"\\page.html";
    EXPECT_TRUE(test_support::WriteBytes(page_, kForeignPage));
  }
  void TearDown() override {
    ::DeleteFileW(empty_.c_str());
    ::DeleteFileW(page_.c_str());
  }

  // Points the proxy at the services (or at nobody) and writes the data with
  // the fault in the section `request` asks for.
  void Arrange(Request request, const Fault& fault) {
    const bool refused = fault.lines == "refused";
    proxy_.reset();
    proxy_ = std::make_unique<test_support::ProxyScope>(refused ? ClosedPort() : services_.port());
    ASSERT_TRUE(proxy_->ok());
    std::string lines = refused ? std::string() : fault.lines;
    std::string data = kSoundData;
    const std::string page = std::string("body=") + kForeignPage + "\n";
    if (request == Request::kDescriptor) {
      data += "[group faulty]\n";
      data += lines == "empty" ? "body=\n" : lines == "page" ? page : "version=5.2.0\n" + lines;
    } else if (request == Request::kCheck) {
      data += "[box FAULTY]\npassword=pw\n";
      data += lines == "empty"  ? "body=\n"
              : lines == "page" ? page
                                : "body=##COMPLETE##<html><body>" + std::string(200, '.') +
                                     "</body></html>\n" + lines;
    } else {
      data += "[installer 7.7.7]\n";
      data += lines == "empty" ? "file=empty.bin\n" : lines == "page" ? "file=page.html\n" : lines;
    }
    ASSERT_TRUE(services_.WriteData(data));
    mark_ = services_.RequestCount();
  }

  // The requests of this case; the credential reached no host but its own.
  std::vector<test_support::ServiceRequest> Sent(Request request) const {
    std::vector<test_support::ServiceRequest> sent = services_.RequestsSince(mark_);
    const std::string own = request == Request::kCheck ? kStatus : kDelivery;
    for (const auto& one : sent) {
      if (one.url.rfind(own, 0) != 0) {
        EXPECT_EQ(one.authorization, "(none)") << "the credential went to " << one.url;
      } else {
        EXPECT_NE(one.authorization, "(none)") << one.url;
      }
    }
    return sent;
  }

  // A fresh run with `fault` arranged; its reports go to sink_, its events
  // to a record of its own in the private folder.
  CSetupRun& ArrangedRun(Request request, const Fault& fault) {
    Arrange(request, fault);
    sink_.reports.clear();
    run_.reset();
    record_ = std::make_unique<setup::RunRecord>(Inputs());
    run_ = std::make_unique<CSetupRun>(sink_, Inputs(), accepting_, setup::TheShellOpener(),
                                       *record_);
    return *run_;
  }

  // The record names the faulty request (its password masked as the window
  // masks it) with what answered, and holds no secret.
  std::vector<std::string> ExpectRecorded(Request request, const Fault& fault) {
    const std::vector<std::string> lines = setup_test::RecordLines(record_->path());
    std::string url = FaultyUrl(request);
    const std::size_t password = url.find("password=pw");
    if (password != std::string::npos) url.replace(password, 11, "password=\u25CF\u25CF");
    std::vector<std::string> parts = fault.record;
    parts.push_back("GET " + url);
    std::vector<std::string> otherwise = fault.record_otherwise;
    otherwise.push_back("GET " + url);
    EXPECT_TRUE(setup_test::SomeLineHas(lines, parts) ||
                (!fault.record_otherwise.empty() && setup_test::SomeLineHas(lines, otherwise)))
        << setup_test::Joined(lines);
    setup_test::ExpectNoSecrets(setup_test::RecordBytes(record_->path()), Inputs(), "the record");
    return lines;
  }
  SetupInputs Inputs() const {
    // user, domain, password, group, send box, its password, process group
    return {L"terminal", L"", L"", L"faulty", L"FAULTY", L"pw", L"PG"};
  }

  test_support::LocalServices services_;
  std::unique_ptr<test_support::ProxyScope> proxy_;
  test_support::ScopedFile marker_{sysops::GetUploadMarkerPath()};
  test_support::ScopedFile package_{sysops::GetInstallerDownloadPath()};
  // The run's own copy, which it downloads, checks and opens.
  test_support::ScopedFile private_{sysops::GetPrivateInstallerPath()};
  test_support::ScopedFile partial_{sysops::GetPrivateInstallerPath() + L".download"};
  // A descriptor that goes through is read for its version, which leaves the
  // signal files of a passive update behind.
  test_support::ScopedFile reboot_signal_{
      sysops::GetDepotronDataPath(sysops::kPassiveRebootSignalFileName)};
  test_support::ScopedFile passive_signal_{sysops::GetDepotronDataPath(sysops::kPassiveSignalFileName)};
  std::wstring empty_;
  std::wstring page_;
  size_t mark_ = 0;
  FixedLogon accepting_{true};
  RecordingSink sink_;
  std::unique_ptr<setup::RunRecord> record_;
  std::unique_ptr<CSetupRun> run_;
};

TEST_F(WebFaults, DescriptorRequest) {
  for (const Fault& fault : Faults(Request::kDescriptor)) {
    SCOPED_TRACE(fault.name);
    CSetupRun& run = ArrangedRun(Request::kDescriptor, fault);
    const bool found = run.LookUpDeliveryGroup();
    EXPECT_EQ(found, fault.succeeds);
    EXPECT_EQ(run.ErrorText(), fault.succeeds ? L"" : kGroupNotFound);
    ExpectRecorded(Request::kDescriptor, fault);
    const auto sent = Sent(Request::kDescriptor);
    if (fault.lines == "refused") {
      EXPECT_TRUE(sent.empty());
    }
    if (std::string(fault.name) == "redirect loop") {
      EXPECT_EQ(sent.size(), 11u);
    }
    if (!found) continue;
    // What was found is the sound group's descriptor, or nothing at all; an
    // empty one, or a page, tells that Depotron is not delivered.
    const bool empty = fault.lines == "empty" || fault.lines == "page";
    EXPECT_EQ(run.PrepareDepotron(run.Descriptor()), !empty);
    EXPECT_EQ(run.ErrorText(), empty ? kNotDelivered : L"");
    const auto lines = setup_test::RecordLines(record_->path());
    EXPECT_TRUE(empty ? setup_test::SomeLineHas(lines, {"the descriptor names no Depotron version",
                                                        fault.lines == "page" ? "<html>" : ""})
                      : setup_test::SomeLineHas(lines, {"Depotron 5.2.0 is delivered"}))
        << setup_test::Joined(lines);
  }
}

TEST_F(WebFaults, SendBoxCheck) {
  for (const Fault& fault : Faults(Request::kCheck)) {
    SCOPED_TRACE(fault.name);
    CSetupRun& run = ArrangedRun(Request::kCheck, fault);
    EXPECT_EQ(run.CheckSendBox(), fault.succeeds);
    const bool empty = fault.lines == "empty" || fault.lines == "page";
    EXPECT_EQ(run.ErrorText(), fault.succeeds ? L"" : empty ? kCheckError : kCheckFailed);
    const auto lines = ExpectRecorded(Request::kCheck, fault);
    if (empty) {
      EXPECT_TRUE(setup_test::SomeLineHas(
          lines, {"the answer is not the service's; it begins: ",
                  fault.lines == "page" ? "<html><body>Maintenance" : ""}))
          << setup_test::Joined(lines);
    }
    const auto sent = Sent(Request::kCheck);
    if (std::string(fault.name) == "redirect loop") {
      EXPECT_EQ(sent.size(), 11u);
    }
  }
}

// The package: a failed download ends the run with its message before
// anything is opened, and leaves nothing under the package's name (nor the
// file it is written to on the way). A download that goes through opens the
// package, which installs the stand-in updater: removed again after each.
TEST_F(WebFaults, InstallerPackage) {
  test_support::FakeDepotron depotron;
  ASSERT_TRUE(depotron.ok());
  ASSERT_FALSE(depotron.Installed()) << "Depotron is installed in the prefix already";
  const CBinary descriptor = [] {
    CBinary bytes;
    const std::string text = "[License]\r\n0=7.7.7\r\n";
    bytes.SetData(text.data(), static_cast<int>(text.size()));
    return bytes;
  }();
  for (const Fault& fault : Faults(Request::kPackage)) {
    SCOPED_TRACE(fault.name);
    CSetupRun& run = ArrangedRun(Request::kPackage, fault);
    const int result = run.InstallDepotron(descriptor);
    Sent(Request::kPackage);
    EXPECT_FALSE(test_support::PathExists(partial_.path()));
    const auto lines = ExpectRecorded(Request::kPackage, fault);
    if (fault.lines == "empty" || fault.lines == "page") {
      EXPECT_TRUE(setup_test::SomeLineHas(
          lines, {"the download is no installer package; it begins: ",
                  fault.lines == "page" ? "<html><body>Maintenance" : ""}))
          << setup_test::Joined(lines);
    }
    if (fault.succeeds) {
      EXPECT_EQ(result, setup::kInstallerStarted);
      EXPECT_EQ(run.ErrorText(), L"");
      // The public copy holds what the service sent.
      EXPECT_TRUE(test_support::ReadBytes(package_.path()) ==
                  test_support::ReadBytes(depotron.package()));
      EXPECT_TRUE(depotron.WaitForInstallers(test_support::FakeDepotron::kInstallerWaitMs));
      EXPECT_TRUE(depotron.Installed()) << "the package was not opened";
      EXPECT_TRUE(setup_test::SomeLineHas(lines, {"the package ", " bytes, SHA-256 "}))
          << setup_test::Joined(lines);
      depotron.Remove();
      ::DeleteFileW(package_.path().c_str());
      continue;
    }
    EXPECT_EQ(result, setup::kSetupFailed);
    EXPECT_EQ(run.ErrorText(), kDownloadFailed);
    EXPECT_FALSE(test_support::PathExists(package_.path()));
    EXPECT_FALSE(test_support::PathExists(private_.path()));
    // Opened would have reported the end of the run.
    EXPECT_EQ(sink_.reports.size(), 1u);
    EXPECT_TRUE(depotron.WaitForInstallers(test_support::FakeDepotron::kInstallerWaitMs));
    EXPECT_FALSE(depotron.Installed());
  }
}

// The package opened is the one the service sent, whatever other processes
// do: one keeps putting its own package (which would pass the check) in the
// public download folder until the open, another tries to overwrite, rename
// and delete the file at the moment of the open. Under Wine every process
// runs as the same user and file access lists are not enforced, so what
// refuses the second here is the run holding the file without sharing write
// or delete access; the access list of the folder (which on Windows refuses
// other accounts also after the run) is checked in the sysops tests.
TEST_F(WebFaults, WhatIsOpenedIsWhatTheServiceSent) {
  test_support::FakeDepotron depotron;
  ASSERT_TRUE(depotron.ok());
  ASSERT_FALSE(depotron.Installed()) << "Depotron is installed in the prefix already";
  const std::string sent = test_support::ReadBytes(depotron.package());
  ASSERT_FALSE(sent.empty());
  // The control: the same attempts on a file nobody holds go through.
  const std::wstring loose = FolderOf(services_.dataPath()) + L"\\loose.msi";
  ASSERT_TRUE(test_support::WriteBytes(loose, sent));
  EXPECT_EQ(Tamper(loose), 1u | 2u | 4u);

  Arrange(Request::kPackage, {"whole", "", true, {}});
  const std::string planted = sent.substr(0, 8) + "a package of someone else's";
  TamperingOpener opener;
  std::atomic<int> swaps{0};
  // Sharing everything, so that the run is never refused a replace by the
  // swapper's handle (another account could share nothing and make the
  // run end with the download message, which is no swap either).
  std::thread swapper([&] {
    while (!opener.opening) {
      fw::ScopedFileHandle file(
          ::CreateFileW(package_.path().c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        CREATE_ALWAYS, 0, nullptr));
      DWORD written = 0;
      if (file && ::WriteFile(file.get(), planted.data(), static_cast<DWORD>(planted.size()),
                              &written, nullptr)) {
        ++swaps;
      }
      file.reset();
      ::Sleep(2);
    }
  });
  RecordingSink sink;
  const SetupInputs inputs = Inputs();
  CSetupRun run(sink, inputs, accepting_, opener);
  CBinary descriptor;
  const std::string text = "[License]\r\n0=7.7.7\r\n";
  descriptor.SetData(text.data(), static_cast<int>(text.size()));
  const int result = run.InstallDepotron(descriptor);
  opener.opening = true;
  swapper.join();

  EXPECT_GT(swaps.load(), 0);
  EXPECT_EQ(result, setup::kInstallerStarted);
  EXPECT_EQ(run.ErrorText(), L"");
  EXPECT_EQ(opener.opened, private_.path());
  EXPECT_EQ(opener.tampered, 0u) << "1 overwritten, 2 renamed, 4 deleted";
  EXPECT_TRUE(opener.bytes == sent) << "the file opened is not the one the service sent";
  EXPECT_TRUE(test_support::ReadBytes(private_.path()) == sent);
  // The public package is there under its name (the swapper's or the run's).
  EXPECT_TRUE(test_support::PathExists(package_.path()));
  EXPECT_TRUE(depotron.WaitForInstallers(60000));
  EXPECT_TRUE(depotron.Installed()) << "the installer could not open the held package";
  depotron.Remove();
  ::DeleteFileW(loose.c_str());
}

// An earlier whole download stays as it was when the next one fails.
TEST_F(WebFaults, AFailedDownloadKeepsTheEarlierPackage) {
  EXPECT_TRUE(test_support::WriteBytes(package_.path(), "earlier package"));
  CSetupRun& run = ArrangedRun(Request::kPackage, {"cut", "cut=3000\n", false, {}});
  CBinary descriptor;
  const std::string text = "[License]\r\n0=7.7.7\r\n";
  descriptor.SetData(text.data(), static_cast<int>(text.size()));
  EXPECT_EQ(run.InstallDepotron(descriptor), setup::kSetupFailed);
  EXPECT_EQ(test_support::ReadBytes(package_.path()), "earlier package");
  EXPECT_FALSE(test_support::PathExists(partial_.path()));
}

}  // namespace
