// Awkward texts typed into each of the seven inputs: nothing, a pasted
// megabyte, 300 characters, Japanese, a character outside the BMP, the
// characters that mean something in a URL or an INI file, blanks, and text
// the ANSI code page cannot hold. Each case runs the steps of the run that
// read the inputs, in the run's order (the log-on check, the two requests,
// the automatic log-on values, the send-box settings file; the other steps
// read none of them) against the local services, which know the typed
// group and box. Then: the run went through or ended with the message of
// its step; the services received the text intact; the registry and the
// settings file hold exactly what was typed, or were left as they were.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/local_services.h"
#include "io/ini_file.h"
#include "setup/setup_run.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "sysops/product_paths.h"
#include "sysops/send_box_settings_text.h"
#include "sysops/registry.h"
#include "sysops/terminal_values.h"

namespace {

using setup::CSetupRun;
using setup::SetupInputs;
using setup_test::kGroupNotFound;
using setup_test::kCheckFailed;
using setup_test::FixedLogon;
using setup_test::RecordingSink;


using sysops::kWinlogonKey;

struct Variant {
  const char* name;
  std::wstring text;
};

std::wstring Letters(size_t count) {
  std::wstring text(count, L'a');
  for (size_t i = 0; i < count; ++i) text[i] = static_cast<wchar_t>(L'a' + i % 26);
  return text;
}

std::vector<Variant> Variants() {
  return {
      {"empty", L""},
      {"1 MB", Letters(1 << 20)},
      {"300 characters", Letters(300)},
      {"Japanese", L"配信テスト端末１"},
      {"surrogate pair", L"x\U0001F600y"},
      {"&", L"a&b"},
      {"=", L"a=b"},
      {"#", L"a#b"},
      {"?", L"a?b"},
      {"/", L"a/b"},
      {"..", L".."},
      {"%", L"a%41%zz"},
      {"+", L"a+b"},
      {"blanks", L"  a  b  "},
      {"quotes around", L"\"q\""},
      {"not in code page 932", L"\u00E9\uD55C\u20AC"},
  };
}

enum Field { kUser, kDomain, kPassword, kGroup, kBoxId, kBoxPassword, kProcessGroup };
const char* const kFieldNames[] = {"log-on user",     "log-on destination", "log-on password",
                                   "delivery group",  "send-box ID",        "send-box password",
                                   "process group ID"};

std::wstring& FieldOf(SetupInputs& inputs, Field field) {
  switch (field) {
    case kUser: return inputs.logon_user;
    case kDomain: return inputs.logon_domain;
    case kPassword: return inputs.logon_password;
    case kGroup: return inputs.delivery_group;
    case kBoxId: return inputs.send_box_id;
    case kBoxPassword: return inputs.send_box_password;
    case kProcessGroup: break;
  }
  return inputs.process_group_id;
}

std::string Utf8(const std::wstring& text) { return test_support::ToUtf8(text); }

// Whether the ANSI code page holds the text as it is.
bool AnsiHolds(const std::wstring& text) {
  if (text.empty()) return true;
  BOOL lost = FALSE;
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        nullptr, 0, nullptr, &lost);
  return !lost;
}

// The value as stored, whatever its length (the product's own reader takes
// at most 2048 bytes, which is no limit on what is written).
std::wstring ReadWinlogon(const wchar_t* value) {
  return test_support::MachineText({kWinlogonKey, value});
}

// Equal texts; on a difference, where it begins rather than a megabyte.
::testing::AssertionResult Same(const std::wstring& seen, const std::wstring& typed) {
  if (seen == typed) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < seen.size() && at < typed.size() && seen[at] == typed[at]) ++at;
  return ::testing::AssertionFailure()
         << "seen " << seen.size() << " characters, typed " << typed.size()
         << ", first difference at " << at << ": \"" << Utf8(seen.substr(at, 40)) << "\" for \""
         << Utf8(typed.substr(at, 40)) << "\"";
}

class TypedInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(services_.ok()) << services_.problem();
    ASSERT_TRUE(proxy_.ok());
    ::DeleteFileW(marker_.path().c_str());
  }

  SetupInputs Ordinary() const {
    // user, domain, password, group, send box, its password, process group
    SetupInputs inputs{L"terminal", L"VARNEL-PC", L"logon-pw",
                       L"group-a", L"BOX-001", L"box-pw", L"PG-7"};
    return inputs;
  }

  // The run's steps that read the inputs, in its order, up to the first
  // that ends it.
  static bool RunInputSteps(CSetupRun& run) {
    if (!run.CheckWindowsLogon() || !run.LookUpDeliveryGroup() || !run.CheckSendBox()) return false;
    return run.WriteAutoLogonValues() && run.WriteSendBoxSettings();
  }

  void RunCase(Field field, const Variant& variant) {
    SetupInputs inputs = Ordinary();
    FieldOf(inputs, field) = variant.text;
    // The services know the group and the box exactly as typed.
    ASSERT_TRUE(services_.WriteData("[group " + Utf8(inputs.delivery_group) + "]\nversion=5.2.0\n[box " +
                                    Utf8(inputs.send_box_id) + "]\npassword=" +
                                    Utf8(inputs.send_box_password) + "\n"));
    // What a run leaves, or what must stay when it ends early.
    const char* const kOld = "[MAIN]\r\nID=old-id\r\nPASS=old-pass\r\nGROUP=old-group\r\n";
    EXPECT_TRUE(test_support::WriteBytes(settings_.path(), kOld));
    ASSERT_TRUE(sysops::WriteRegistryString(sysops::MachinePath(sysops::kDefaultUserName),
                                            L"old-user"));
    const size_t mark = services_.RequestCount();

    RecordingSink sink;
    FixedLogon accepting(true);
    CSetupRun run(sink, inputs, accepting);
    const bool wentThrough = RunInputSteps(run);
    const auto sent = services_.RequestsSince(mark);

    // The log-on check saw the three texts as typed.
    ASSERT_EQ(accepting.asked.size(), 1u);
    EXPECT_EQ(accepting.asked[0],
              (std::vector<std::wstring>{inputs.logon_user, inputs.logon_domain, inputs.logon_password}));

    // A pasted megabyte does not fit in a request line: the step that sends
    // it ends the run with its message, and nothing is changed.
    const bool tooLongForUrl = variant.text.size() > 100000 &&
                               (field == kGroup || field == kBoxId || field == kBoxPassword);
    if (tooLongForUrl) {
      EXPECT_FALSE(wentThrough);
      EXPECT_EQ(run.ErrorText(), field == kGroup ? kGroupNotFound : kCheckFailed);
      EXPECT_EQ(ReadWinlogon(L"DefaultUserName"), L"old-user");
      EXPECT_EQ(test_support::ReadBytes(settings_.path()), kOld);
      return;
    }
    ASSERT_TRUE(wentThrough) << "ended with: " << Utf8(run.ErrorText());
    EXPECT_EQ(run.ErrorText(), L"");

    // The services received the texts intact, one request each.
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].status, 200);
    EXPECT_TRUE(sent[0].path == "/depotron/version/" + Utf8(inputs.delivery_group) + ".ini")
        << sent[0].path.substr(0, 200);
    EXPECT_EQ(sent[1].status, 200);
    EXPECT_EQ(sent[1].query.size(), 2u);
    EXPECT_TRUE(sent[1].Param("userid") == Utf8(inputs.send_box_id))
        << sent[1].Param("userid").substr(0, 200);
    EXPECT_TRUE(sent[1].Param("password") == Utf8(inputs.send_box_password))
        << sent[1].Param("password").substr(0, 200);

    // The registry holds exactly what was typed.
    EXPECT_EQ(ReadWinlogon(L"AutoAdminLogon"), L"1");
    EXPECT_TRUE(Same(ReadWinlogon(L"DefaultUserName"), inputs.logon_user));
    EXPECT_TRUE(Same(ReadWinlogon(L"DefaultDomainName"), inputs.logon_domain));
    EXPECT_TRUE(Same(ReadWinlogon(L"DefaultPassword"), inputs.logon_password));

    // The settings file, read back the way the survey reads it.
    CMultiIniFile settings(settings_.path().c_str());
    using sysops::kSendBoxSection;
    const std::wstring stored[] = {
        settings.GetString(kSendBoxSection, sysops::kSendBoxIdKey, L"<none>"),
        settings.GetString(kSendBoxSection, sysops::kSendBoxPasswordKey, L"<none>"),
        settings.GetString(kSendBoxSection, sysops::kProcessGroupKey, L"<none>")};
    const std::wstring typed[] = {inputs.send_box_id, inputs.send_box_password, inputs.process_group_id};
    for (int i = 0; i < 3; ++i) {
      // Known loss: the file is an ANSI INI file (Windows writes one unless it
      // already begins with a byte-order mark), so a character the code page
      // lacks arrives as the code page's stand-in.
      if (!AnsiHolds(typed[i])) {
        EXPECT_NE(stored[i], L"<none>");
        EXPECT_EQ(stored[i].size(), typed[i].size());
        continue;
      }
      EXPECT_TRUE(Same(stored[i], typed[i])) << "key " << i;
    }
  }

  void RunAll(Field field) {
    for (const Variant& variant : Variants()) {
      SCOPED_TRACE(std::string(kFieldNames[field]) + ": " + variant.name);
      RunCase(field, variant);
    }
  }

  test_support::LocalServices services_;
  test_support::ProxyScope proxy_{services_.port()};
  test_support::ScopedFile marker_{sysops::GetUploadMarkerPath()};
  test_support::ScopedFile settings_{sysops::GetStatusBoxIniPath()};
  setup_test::SavedMachineValue auto_admin_{sysops::kAutoAdminLogon};
  setup_test::SavedMachineValue user_{sysops::kDefaultUserName};
  setup_test::SavedMachineValue domain_{sysops::kDefaultDomainName};
  setup_test::SavedMachineValue password_{sysops::kDefaultPassword};
};

// One test per input, one run per text.
TEST_F(TypedInput, LogOnUser) { RunAll(kUser); }
TEST_F(TypedInput, LogOnDestination) { RunAll(kDomain); }
TEST_F(TypedInput, LogOnPassword) { RunAll(kPassword); }
TEST_F(TypedInput, DeliveryGroup) { RunAll(kGroup); }
TEST_F(TypedInput, SendBoxId) { RunAll(kBoxId); }
TEST_F(TypedInput, SendBoxPassword) { RunAll(kBoxPassword); }
TEST_F(TypedInput, ProcessGroupId) { RunAll(kProcessGroup); }

}  // namespace
