#include "sysops/power_plan_text.h"

#include <gtest/gtest.h>

#include "power_plan_listing.h"

namespace sysops {
namespace {

using power_listing::Listing;
using power_listing::TimeOuts;

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kDash = L"\uFF0D";
const std::wstring kAc = power_listing::Japanese().ac;  // up to ": ", without "0x"
const std::wstring kDc = power_listing::Japanese().dc;

TimeOuts AllNever() {
  TimeOuts t;
  t.sleep_ac = t.sleep_dc = t.hibernate_ac = t.hibernate_dc = 0;
  t.disk_ac = t.disk_dc = t.video_ac = t.video_dc = 0;
  return t;
}

std::wstring Summary(const std::wstring& sleep, const std::wstring& hibernate,
                     const std::wstring& disk, const std::wstring& display) {
  return L"\u30B9\u30EA\u30FC\u30D7 " + sleep + L"\u3000\u4F11\u6B62 " + hibernate +
         L"\u3000\u30C7\u30A3\u30B9\u30AF " + disk + L"\u3000\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 " +
         display + L"\u3000";
}

TEST(PowerVerdict, EachItemReadsTheFirstSettingAfterItsAlias) {
  TimeOuts t = AllNever();
  EXPECT_EQ(Summary(kOk, kOk, kOk, kOk), ComposePowerSummaryFromListing(Listing(t)));

  // The sleep subgroup's first setting is STANDBYIDLE: mains 0, battery 0x384.
  t.sleep_dc = 0x384;
  EXPECT_EQ(Summary(kCross, kOk, kOk, kOk), ComposePowerSummaryFromListing(Listing(t)));

  // Hibernation sits in the sleep subgroup but is read under its own alias.
  t = AllNever();
  t.hibernate_ac = 0x2a30;
  EXPECT_EQ(Summary(kOk, kCross, kOk, kOk), ComposePowerSummaryFromListing(Listing(t)));

  t = AllNever();
  t.disk_ac = 0x4b0;
  EXPECT_EQ(Summary(kOk, kOk, kCross, kOk), ComposePowerSummaryFromListing(Listing(t)));

  t = AllNever();
  t.video_dc = 1;
  EXPECT_EQ(Summary(kOk, kOk, kOk, kCross), ComposePowerSummaryFromListing(Listing(t)));

  // A Windows with its default plan times out everywhere.
  EXPECT_EQ(Summary(kCross, kCross, kCross, kCross),
            ComposePowerSummaryFromListing(Listing(TimeOuts())));
}

TEST(PowerVerdict, MissingSettingsAndOtherLanguagesGiveDashes) {
  TimeOuts t = AllNever();
  t.hibernation_available = false;
  EXPECT_EQ(Summary(kOk, kDash, kOk, kOk), ComposePowerSummaryFromListing(Listing(t)));

  // The English listing has the aliases but not the Japanese index lines.
  EXPECT_EQ(Summary(kDash, kDash, kDash, kDash),
            ComposePowerSummaryFromListing(Listing(AllNever(), power_listing::English())));
  // Any text at all, even one without a single alias, is composed.
  EXPECT_EQ(Summary(kDash, kDash, kDash, kDash), ComposePowerSummaryFromListing(L"\r\n"));
}

TEST(PowerVerdict, NoListingAtAllIsAFailureNotFourDashes) {
  EXPECT_EQ(L"( \u203B\u53D6\u5F97\u5931\u6557 )", ComposePowerSummaryFromListing(L""));
}

TEST(PowerVerdict, MainsAndBatteryLinesAreEachSoughtFromTheAlias) {
  // Battery line before the mains line: the pair is still the first of each.
  const std::wstring swapped = L"    GUID X: SUB_DISK\r\n    " + kDc + L"0x00000000\r\n    " + kAc +
                               L"0x00000000\r\n    " + kDc + L"0x00000384\r\n";
  EXPECT_EQ(kOk, JudgePowerSetting(swapped, L"SUB_DISK"));
  // Lines before the alias do not count.
  const std::wstring before = L"    " + kAc + L"0x00000000\r\n    " + kDc +
                              L"0x00000000\r\nSUB_DISK\r\n    " + kAc + L"0x00000001\r\n    " +
                              kDc + L"0x00000000\r\n";
  EXPECT_EQ(kCross, JudgePowerSetting(before, L"SUB_DISK"));
  // Found alias, mains line, no battery line anywhere after it.
  EXPECT_EQ(kDash, JudgePowerSetting(L"SUB_DISK\r\n    " + kAc + L"0x00000000\r\n", L"SUB_DISK"));
  EXPECT_EQ(kDash, JudgePowerSetting(L"SUB_DISK\r\n    " + kDc + L"0x00000000\r\n", L"SUB_DISK"));
  // Aliases are matched exactly, letter case included.
  EXPECT_EQ(kDash, JudgePowerSetting(Listing(AllNever()), L"sub_disk"));
}

TEST(PowerVerdict, ReadsEightCharactersAfterThePrefixAsWcstolWould) {
  auto judge = [](const std::wstring& ac_digits, const std::wstring& dc_digits) {
    return JudgePowerSetting(L"SUB_VIDEO\r\n" + kAc + L"0x" + ac_digits + L"\r\n" + kDc + L"0x" +
                                 dc_digits + L"\r\n",
                             L"SUB_VIDEO");
  };
  EXPECT_EQ(kOk, judge(L"00000000", L"00000000"));
  EXPECT_EQ(kCross, judge(L"00000000", L"00000384"));
  EXPECT_EQ(kCross, judge(L"FFFFFFFF", L"00000000"));  // saturates, still not zero
  EXPECT_EQ(kOk, judge(L"--------", L"zzzzzzzz"));     // no digits reads as zero
  EXPECT_EQ(kOk, judge(L"000000001", L"00000000"));    // the ninth digit is not read
  EXPECT_EQ(kOk, judge(L"0000 001", L"00000000"));     // stops at the blank
  // A listing that ends inside the digits reads what there is.
  EXPECT_EQ(kCross, JudgePowerSetting(L"SUB_VIDEO " + kDc + L"0x00000000 " + kAc + L"0x3",
                                      L"SUB_VIDEO"));
  EXPECT_EQ(kOk, JudgePowerSetting(L"SUB_VIDEO " + kDc + L"0x00000000 " + kAc + L"0x", L"SUB_VIDEO"));
}

}  // namespace
}  // namespace sysops
