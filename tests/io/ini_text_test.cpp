#include "io/ini_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using io::ComposeIniLines;
using io::ReadIniLine;

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

Entries Walk(const CMultiStringMapStringKey& map) {
  Entries entries;
  POSITION pos = map.GetHeadPosition();
  while (pos) {
    std::wstring key;
    const wchar_t* value = map.GetNext(pos, &key);
    entries.emplace_back(key, value);
  }
  return entries;
}

Entries Load(const std::vector<std::wstring>& lines, CMultiStringMapStringKey& map) {
  std::wstring section;
  for (const auto& line : lines) ReadIniLine(line, section, map);
  return Walk(map);
}

// Saved and loaded again.
Entries Reload(const CMultiStringMapStringKey& map) {
  std::vector<std::wstring> lines;
  EXPECT_TRUE(ComposeIniLines(map, [&](const std::wstring& line) { lines.push_back(line); }));
  CMultiStringMapStringKey again;
  return Load(lines, again);
}

}  // namespace

TEST(IniTextRead, SectionNamesTheMapCannotKeepApart) {
  // "[a=b]" then "k=v" would be filed under a=b=k, which the next save
  // writes as section a, key b: its keys are not read at all.
  CMultiStringMapStringKey map;
  EXPECT_EQ(Load({L"[a=b]", L"k=v", L"[a]", L"x=1"}, map), (Entries{{L"a=x", L"1"}}));
  EXPECT_EQ(Reload(map), Walk(map));

  // A zero character would cut the entry key short of its "=".
  CMultiStringMapStringKey zero;
  EXPECT_EQ(Load({std::wstring(L"[a\0b]", 5), L"k=v", L"[S]", L"k=w"}, zero),
            (Entries{{L"S=k", L"w"}}));
  EXPECT_EQ(Reload(zero), Walk(zero));
}

TEST(IniTextRead, KeysAndValuesWithAZeroCharacter) {
  CMultiStringMapStringKey map;
  // A key with a zero would land under the shorter key "k"; a value ends at
  // its zero, as every stored text does.
  EXPECT_EQ(Load({L"[S]", std::wstring(L"k\0x=v", 5), std::wstring(L"m=a\0b", 5)}, map),
            (Entries{{L"S=m", L"a"}}));
}

TEST(IniTextRead, SectionsAfterARefusedOneReadAsUsual) {
  CMultiStringMapStringKey map;
  EXPECT_EQ(Load({L"[S]", L"a=1", L"[x=y]", L"b=2", L"[S]", L"c=\"3 \""}, map),
            (Entries{{L"S=a", L"1"}, {L"S=c", L"3 "}}));
  EXPECT_EQ(Reload(map), Walk(map));
}

TEST(IniTextCompose, StopsAtAnEntryKeyWithoutSection) {
  CMultiStringMapStringKey map;
  map.Add(L"A=k", L"1");
  map.Add(L"B", L"2");  // only a caller filling the map by hand gets here
  std::vector<std::wstring> lines;
  EXPECT_FALSE(ComposeIniLines(map, [&](const std::wstring& line) { lines.push_back(line); }));
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"[A]", L"k=1"}));
}
