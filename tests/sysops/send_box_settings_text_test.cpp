#include "sysops/send_box_settings_text.h"

#include <gtest/gtest.h>

#include "send_box_values.h"

namespace sysops {
namespace {

using sysops_test::kSendBoxValues;

TEST(SendBoxValue, StoredAsTheTableSays) {
  for (const auto& value : kSendBoxValues) {
    EXPECT_EQ(QuoteForProfile(value.typed), value.stored)
        << testing::PrintToString(std::wstring(value.typed));
  }
}

TEST(SendBoxValue, ComesBackAsTyped) {
  for (const auto& value : kSendBoxValues) {
    EXPECT_EQ(UnquoteFromProfile(QuoteForProfile(value.typed)), value.typed)
        << testing::PrintToString(std::wstring(value.typed));
  }
}

// The reader's half on texts the writer never makes: what another program
// (or a hand) put into the file.
TEST(SendBoxValue, TheReaderDropsBlanksAroundAndThenOnePairOfQuotes) {
  const std::pair<const wchar_t*, const wchar_t*> read[] = {
      {L"  a  ", L"a"},         {L"\t\"a\"\t", L"a"}, {L"'a\"", L"'a\""},
      {L"\"\"\"\"", L"\"\""},   {L"\" a \"", L" a "}, {L"'", L"'"},
      {L"", L""},               {L"   ", L""},
  };
  for (const auto& [stored, expected] : read) {
    EXPECT_EQ(UnquoteFromProfile(stored), expected) << testing::PrintToString(std::wstring(stored));
  }
}

}  // namespace
}  // namespace sysops
