#include "sysops/dism_text.h"

#include <gtest/gtest.h>

#include "dism_listing.h"

namespace sysops {
namespace {

using dism_listing::IotListing;

TEST(DismFeatureState, ReadsTheStateWordOfEachFeatureInARealListing) {
  const std::wstring list = IotListing(L"Enabled", L"Disabled");
  EXPECT_EQ(1, QueryFeatureState(list, kEmbeddedLogonFeature));
  EXPECT_EQ(0, QueryFeatureState(list, kEmbeddedBootExpFeature));
  EXPECT_EQ(1, QueryFeatureState(list, L"NetFx4-AdvSrvs"));
}

TEST(DismFeatureState, AnythingButExactlyEnabledIsNotEnabled) {
  for (const wchar_t* word : {L"Disabled", L"Enable Pending", L"Disabled with Payload Removed",
                              L"Enabled  ", L" Enabled", L"enabled", L""}) {
    EXPECT_EQ(0, QueryFeatureState(IotListing(word, L"Enabled"), kEmbeddedLogonFeature))
        << "state word \"" << word << "\"";
  }
}

TEST(DismFeatureState, MissingPiecesMakeTheStateUnknown) {
  // Name absent, name in another letter case, no "State : " after it, no
  // carriage return after the last state word, a colon without its blanks.
  EXPECT_EQ(-1, QueryFeatureState(dism_listing::ProListing(), kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"Feature Name : client-embeddedlogon\r\nState : Enabled\r\n",
                                  kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"Feature Name : Client-EmbeddedLogon\r\n", kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"Feature Name : Client-EmbeddedLogon\r\nState : Enabled",
                                  kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"Feature Name : Client-EmbeddedLogon\nState : Enabled\n",
                                  kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"Feature Name : Client-EmbeddedLogon\r\nState: Enabled\r\n",
                                  kEmbeddedLogonFeature));
  EXPECT_EQ(-1, QueryFeatureState(L"", kEmbeddedLogonFeature));
}

TEST(DismFeatureState, TakesTheFirstStateAfterTheFirstMentionOfTheName) {
  // A feature without a state line borrows the next feature's state: the
  // reading is positional, as DISM's layout always pairs them.
  EXPECT_EQ(1, QueryFeatureState(L"Feature Name : Client-EmbeddedLogon\r\n\r\n"
                                 L"Feature Name : Other\r\nState : Enabled\r\n",
                                 kEmbeddedLogonFeature));
  // The first mention counts even when the name comes again later.
  EXPECT_EQ(0, QueryFeatureState(L"Client-EmbeddedLogon\r\nState : Disabled\r\n"
                                 L"Client-EmbeddedLogon\r\nState : Enabled\r\n",
                                 kEmbeddedLogonFeature));
  // A name that is a prefix of a listed one is found inside it.
  EXPECT_EQ(0, QueryFeatureState(IotListing(L"Enabled", L"Enabled"), L"Client-EmbeddedShell"));
}

TEST(DismCombinedState, EveryCellOfTheTable) {
  const int states[] = {1, 0, -1};
  const int expected[3][3] = {{1, 0, -1}, {0, 0, 0}, {-1, 0, -1}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(expected[i][j], CombineFeatureStates(states[i], states[j]))
          << "logon " << states[i] << ", boot " << states[j];
    }
  }
}

TEST(DismCombinedState, FromListings) {
  EXPECT_EQ(1, JudgeEmbeddedLogonFeatures(IotListing(L"Enabled", L"Enabled")));
  EXPECT_EQ(0, JudgeEmbeddedLogonFeatures(IotListing(L"Disabled", L"Enabled")));
  EXPECT_EQ(0, JudgeEmbeddedLogonFeatures(IotListing(L"Enabled", L"Enable Pending")));
  // First disabled, second missing altogether: still 0.
  EXPECT_EQ(0, JudgeEmbeddedLogonFeatures(dism_listing::Listing(
                   {{L"Client-EmbeddedLogon", L"Disabled"}, {L"TelnetClient", L"Disabled"}})));
  // Only one of the two named, and enabled: cannot tell.
  EXPECT_EQ(-1, JudgeEmbeddedLogonFeatures(dism_listing::Listing(
                    {{L"Client-EmbeddedLogon", L"Enabled"}, {L"TelnetClient", L"Disabled"}})));
  EXPECT_EQ(-1, JudgeEmbeddedLogonFeatures(dism_listing::ProListing()));
  EXPECT_EQ(-1, JudgeEmbeddedLogonFeatures(dism_listing::RefusalText()));
  EXPECT_EQ(-1, JudgeEmbeddedLogonFeatures(L""));
}

TEST(DismCommandLines, QuoteThePathAndNameTheFeature) {
  EXPECT_EQ(L"\"C:\\WINDOWS\\SYSNATIVE\\DISM.EXE\" /online /Get-Features /English",
            ComposeDismCommand(ComposeSysnativeDismPath(L"C:\\WINDOWS"), DismCommand::kGetFeatures));
  EXPECT_EQ(L"\"C:\\Windows\\system32\\DISM.EXE\" /online /Enable-Feature "
            L"/FeatureName:Client-EmbeddedLogon /all /NoRestart",
            ComposeDismCommand(L"C:\\Windows\\system32\\DISM.EXE",
                               DismCommand::kEnableEmbeddedLogon));
  EXPECT_EQ(
      L"\"C:\\WINDOWS\\SYSNATIVE\\DISM.EXE\" /online /Enable-Feature "
      L"/FeatureName:Client-EmbeddedBootExp /all /NoRestart",
      ComposeDismCommand(ComposeSysnativeDismPath(L"C:\\WINDOWS"), DismCommand::kEnableEmbeddedBootExp));
}

// The 64-bit tool is looked for in whatever folder Windows is in.
TEST(DismSysnativePath, FollowsTheWindowsFolder) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\WINDOWS", L"C:\\WINDOWS\\SYSNATIVE\\DISM.EXE"},
      {L"D:\\Win", L"D:\\Win\\SYSNATIVE\\DISM.EXE"},
      {L"E:\\", L"E:\\SYSNATIVE\\DISM.EXE"},
      {L"", L""},
  };
  for (const auto& [windows, expected] : cases) {
    EXPECT_EQ(ComposeSysnativeDismPath(windows), expected) << windows;
  }
}

}  // namespace
}  // namespace sysops
