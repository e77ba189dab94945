#include "survey/os_name_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct OsNameCase {
  const wchar_t* product_name;
  const wchar_t* build_number;
  const wchar_t* shown;
};

TEST(ShownOsName, Windows11ByItsBuildAndEverythingElseAsStored) {
  const OsNameCase cases[] = {
      // Windows 11 builds: only "10" changes.
      {L"Windows 10 IoT Enterprise", L"22000", L"Windows 11 IoT Enterprise"},
      {L"Windows 10 IoT Enterprise LTSC", L"26100", L"Windows 11 IoT Enterprise LTSC"},
      {L"Windows 10 Pro", L"22631", L"Windows 11 Pro"},
      {L"Windows 10", L"22621", L"Windows 11"},
      {L"Windows 10 Pro", L"0022000", L"Windows 11 Pro"},
      {L"Windows 10 Pro", L"99999999999999999999", L"Windows 11 Pro"},
      {L"Microsoft Windows 10 Enterprise", L"22000", L"Microsoft Windows 11 Enterprise"},
      {L"Windows 100 Windows 10 Pro", L"22000", L"Windows 100 Windows 11 Pro"},
      // Windows 10 builds and their neighbours.
      {L"Windows 10 IoT Enterprise", L"21999", L"Windows 10 IoT Enterprise"},
      {L"Windows 10 IoT Enterprise", L"19045", L"Windows 10 IoT Enterprise"},
      {L"Windows 10 Pro", L"2200", L"Windows 10 Pro"},
      // An unreadable build number.
      {L"Windows 10 Pro", L"", L"Windows 10 Pro"},
      {L"Windows 10 Pro", L" 22000", L"Windows 10 Pro"},
      {L"Windows 10 Pro", L"22000 ", L"Windows 10 Pro"},
      {L"Windows 10 Pro", L"+22000", L"Windows 10 Pro"},
      {L"Windows 10 Pro", L"22000.1", L"Windows 10 Pro"},
      {L"Windows 10 Pro", L"\uFF12\uFF12\uFF10\uFF10\uFF10", L"Windows 10 Pro"},  // full-width
      // Other names.
      {L"Windows 11 Pro", L"22631", L"Windows 11 Pro"},
      {L"Windows 100", L"22000", L"Windows 100"},
      {L"Windows 8.1 Pro", L"22000", L"Windows 8.1 Pro"},
      {L"windows 10 pro", L"22000", L"windows 10 pro"},
      {L"Windows Server 2022 Standard", L"20348", L"Windows Server 2022 Standard"},
      {L"", L"22000", L""},
  };
  for (const OsNameCase& c : cases) {
    EXPECT_EQ(c.shown, survey::ShownOsName(c.product_name, c.build_number))
        << testing::PrintToString(std::wstring(c.product_name)) << " build "
        << testing::PrintToString(std::wstring(c.build_number));
  }
}

}  // namespace
