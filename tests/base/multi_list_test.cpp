#include "base/multi_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Texts(const CMultiStringList& list) {
  std::vector<std::wstring> texts;
  POSITION pos = list.GetHeadPosition();
  while (pos) texts.emplace_back(list.GetNext(pos));
  return texts;
}

std::vector<int> ListKeys(const CMultiStringList& list) {
  std::vector<int> keys;
  POSITION pos = list.GetHeadPosition();
  while (pos) {
    int key = 0;
    list.GetNext(pos, &key);
    keys.push_back(key);
  }
  return keys;
}

using W = std::vector<std::wstring>;

std::vector<std::wstring> SplitCsv(const wchar_t* line, wchar_t separator = L',') {
  CMultiStringList list;
  list.SplitCsv(line, separator);
  return Texts(list);
}

std::vector<std::wstring> SplitPlain(const wchar_t* text, wchar_t separator = L',') {
  CMultiStringList list;
  list.Split(text, separator);
  return Texts(list);
}

TEST(MultiList, AppendingNumbersKeysFromBothEnds) {
  CMultiStringList list;
  EXPECT_TRUE(list.AddHead(L"a"));
  EXPECT_TRUE(list.AddTail(L"b"));
  EXPECT_EQ(ListKeys(list), (std::vector<int>{-1, 0}));
  EXPECT_EQ(Texts(list), (W{L"a", L"b"}));

  CMultiStringList tail;
  tail.AddTail(L"a");
  tail.AddTail(L"b");
  tail.AddTail(L"c");
  EXPECT_EQ(ListKeys(tail), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(tail.AddHead(L"z"));
  EXPECT_EQ(ListKeys(tail), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(tail.GetTextAt(0), L"z");
}

TEST(MultiList, KeysCannotRunPastTheIntegerRange) {
  CMultiList<const wchar_t> list(FALSE);
  EXPECT_TRUE(list.Add(INT_MAX, L"last"));
  EXPECT_FALSE(list.AddTail(L"beyond"));
  EXPECT_TRUE(list.Add(INT_MIN, L"first"));
  EXPECT_FALSE(list.AddHead(L"before"));
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(MultiList, InsertRenumberReverse) {
  CMultiStringList list;
  list.AddTail(L"a");
  list.AddTail(L"b");
  list.AddTail(L"c");
  POSITION a = list.GetHeadPosition();
  EXPECT_TRUE(list.InsertAfter(a, L"x"));
  EXPECT_EQ(Texts(list), (W{L"a", L"x", L"b", L"c"}));
  EXPECT_EQ(ListKeys(list), (std::vector<int>{1, 1, 2, 3}));
  EXPECT_TRUE(list.InsertBefore(a, L"w"));
  EXPECT_EQ(Texts(list), (W{L"w", L"a", L"x", L"b", L"c"}));
  EXPECT_TRUE(list.RemoveHead());
  EXPECT_FALSE(list.InsertAfter(nullptr, L"n"));
  EXPECT_FALSE(list.InsertBefore(nullptr, L"n"));

  EXPECT_TRUE(list.Renumber());
  EXPECT_EQ(Texts(list), (W{L"a", L"x", L"b", L"c"}));
  EXPECT_EQ(ListKeys(list), (std::vector<int>{1, 2, 3, 4}));

  EXPECT_TRUE(list.Reverse());
  EXPECT_EQ(Texts(list), (W{L"c", L"b", L"x", L"a"}));
  EXPECT_EQ(ListKeys(list), (std::vector<int>{1, 2, 3, 4}));
  // The sanitizer run fails here if reversing lost or doubled a text block.
  EXPECT_EQ(list.GetTextAt(3), L"a");

  CMultiStringList empty;
  EXPECT_TRUE(empty.Renumber());
  EXPECT_TRUE(empty.Reverse());
  EXPECT_EQ(empty.GetSize(), 0);
}

TEST(MultiList, RenumberKeepsValuesOfNonOwningLists) {
  const wchar_t* texts[] = {L"p", L"q", L"r"};
  CMultiList<const wchar_t> list(FALSE);
  list.AddHead(texts[1]);
  list.AddHead(texts[0]);
  list.AddTail(texts[2]);
  EXPECT_TRUE(list.Renumber());
  EXPECT_TRUE(list.Reverse());
  std::vector<const wchar_t*> order;
  std::vector<int> keys;
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    int key = 0;
    order.push_back(list.GetNext(pos, &key));
    keys.push_back(key);
  }
  EXPECT_EQ(order, (std::vector<const wchar_t*>{texts[2], texts[1], texts[0]}));
  EXPECT_EQ(keys, (std::vector<int>{1, 2, 3}));
}

TEST(MultiList, AddListSharesOnlyFromNonOwningLists) {
  CMultiStringList owner;
  owner.AddText(L"x");
  CMultiList<const wchar_t> target(FALSE);
  EXPECT_FALSE(target.AddList(owner));
  EXPECT_EQ(target.GetCount(), 0);

  const wchar_t* a = L"a";
  const wchar_t* b = L"b";
  CMultiList<const wchar_t> source(FALSE);
  source.AddTail(a);
  source.AddTail(b);
  EXPECT_TRUE(target.AddList(source));
  EXPECT_EQ(target.GetAt(0), a);
  EXPECT_EQ(target.GetAt(1), b);
  EXPECT_TRUE(target.AddList(target));
  EXPECT_EQ(target.GetCount(), 4);
  EXPECT_EQ(target.GetAt(3), b);
}

TEST(StringList, CopiesTextsUnlessTold) {
  CMultiStringList list;
  EXPECT_FALSE(list.IsNoCopy());
  wchar_t buffer[] = L"abc";
  list.AddText(buffer);
  buffer[0] = L'z';
  EXPECT_EQ(list.GetTextAt(0), L"abc");
  EXPECT_NE(list.GetAt(0), buffer);

  auto* block = static_cast<wchar_t*>(std::malloc(4 * sizeof(wchar_t)));
  std::wcscpy(block, L"own");
  list.SetNoCopy();
  EXPECT_TRUE(list.IsNoCopy());
  list.AddText(block);  // taken over, freed with the list
  list.ResetNoCopy();
  EXPECT_FALSE(list.IsNoCopy());
  EXPECT_EQ(list.GetAt(1), block);
  list.FreeText(nullptr);
}

TEST(StringList, SplitCsvQuotesAndTrims) {
  EXPECT_EQ(SplitCsv(L"a, b ,c"), (W{L"a", L"b", L"c"}));
  EXPECT_EQ(SplitCsv(L"a,,b,"), (W{L"a", L"", L"b", L""}));
  EXPECT_EQ(SplitCsv(L",a"), (W{L"", L"a"}));
  EXPECT_EQ(SplitCsv(L","), (W{L"", L""}));
  EXPECT_EQ(SplitCsv(L"\"x,y\",\"q\"\"r\""), (W{L"x,y", L"q\"r"}));
  EXPECT_EQ(SplitCsv(L"a,   ,b"), (W{L"a", L"", L"b"}));
  EXPECT_EQ(SplitCsv(L"x,a\"b,c"), (W{L"x"}));
  EXPECT_EQ(SplitCsv(L"1.2.3", L'.'), (W{L"1", L"2", L"3"}));
  EXPECT_EQ(SplitCsv(L""), W{});
  EXPECT_EQ(SplitCsv(L"\t\"  in  \"\r\n"), (W{L"  in  "}));
  EXPECT_EQ(SplitCsv(L"\"\""), (W{L""}));
  EXPECT_EQ(SplitCsv(L"\"a\"\"\"\"b\""), (W{L"a\"\"b"}));
  // Quotes that do not wrap the whole field stay as they are.
  EXPECT_EQ(SplitCsv(L"a\"b\"c"), (W{L"a\"b\"c"}));
  EXPECT_EQ(SplitCsv(L"\"a\"b"), (W{L"\"a\"b"}));
}

TEST(StringList, SplitAppendsAndCountsEverything) {
  CMultiStringList list;
  list.AddText(L"before");
  EXPECT_EQ(list.SplitCsv(L"1.2", L'.'), 3);
  EXPECT_EQ(list.SplitCsv(L"", L'.'), 0);
  EXPECT_EQ(list.Split(L"x,y", L','), 5);
  EXPECT_EQ(list.Split(L"", L','), 0);
  EXPECT_FALSE(list.IsNoCopy());
  EXPECT_EQ(Texts(list), (W{L"before", L"1", L"2", L"x", L"y"}));
  // The version split of a setup run.
  CMultiStringList version;
  EXPECT_EQ(version.SplitCsv(L"10.2.305", L'.'), 3);
  EXPECT_EQ(version.GetCount(), 3);
  EXPECT_EQ(version.GetItemText(2), L"305");
}

TEST(StringList, PlainSplitKeepsOnlyALeadingEmptyField) {
  EXPECT_EQ(SplitPlain(L",a,,b,"), (W{L"", L"a", L"b"}));
  EXPECT_EQ(SplitPlain(L"a,b,c"), (W{L"a", L"b", L"c"}));
  EXPECT_EQ(SplitPlain(L" a , \"b\""), (W{L" a ", L" \"b\""}));
  EXPECT_EQ(SplitPlain(L","), (W{L""}));
  EXPECT_EQ(SplitPlain(L"abc"), (W{L"abc"}));
}

TEST(StringList, JoinCsvQuotesEveryField) {
  CMultiStringList list;
  EXPECT_EQ(list.JoinCsv(), L"");
  list.AddText(L"a");
  list.AddText(L"b\"c");
  EXPECT_EQ(list.JoinCsv(), L"\"a\",\"b\"\"c\"");
  list.AddText(L"");
  EXPECT_EQ(list.JoinCsv(), L"\"a\",\"b\"\"c\",\"\"");
  // What JoinCsv writes, SplitCsv reads back.
  CMultiStringList back;
  back.SplitCsv(list.JoinCsv().c_str(), L',');
  EXPECT_EQ(Texts(back), (W{L"a", L"b\"c", L""}));
}

TEST(StringList, IndexedTextAccess) {
  CMultiStringList list;
  list.AddText(L"a");
  list.AddText(L"b");
  EXPECT_EQ(list.GetSize(), 2);
  EXPECT_EQ(list.GetTextAt(1), L"b");
  EXPECT_EQ(list.GetTextAt(-1), L"");
  EXPECT_EQ(list.GetTextAt(list.GetSize()), L"");
  EXPECT_FALSE(list.SetTextAt(-1, L"x"));
  EXPECT_FALSE(list.SetTextAt(2, L"x"));
  wchar_t replacement[] = L"B";
  EXPECT_TRUE(list.SetTextAt(1, replacement));
  replacement[0] = L'?';
  EXPECT_EQ(list.GetTextAt(1), L"B");
  EXPECT_EQ(Texts(list), (W{L"a", L"B"}));
}

TEST(StringList, RemoveTextAndFindValueCompareTexts) {
  CMultiStringList list;
  list.AddText(L"x");
  list.AddText(L"y");
  list.AddText(L"x");
  list.AddText(L"X");
  wchar_t probe[] = L"x";
  EXPECT_EQ(list.FindValue(probe), list.GetHeadPosition());
  POSITION second = list.FindIndex(1);
  EXPECT_EQ(list.FindValue(probe, second), list.FindIndex(2));
  EXPECT_TRUE(list.RemoveText(probe));
  EXPECT_EQ(Texts(list), (W{L"y", L"X"}));
  EXPECT_FALSE(list.RemoveText(L"x"));
  EXPECT_TRUE(list.RemoveText(L"X"));
  EXPECT_TRUE(list.RemoveText(L"y"));
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(StringList, AddFromAppendAndStringLists) {
  CMultiStringList source;
  source.AddText(L"a");
  source.AddText(L"b");
  source.AddText(L"c");
  CMultiStringList list;
  EXPECT_TRUE(list.AddFrom(source, 1));
  EXPECT_EQ(Texts(list), (W{L"b", L"c"}));
  EXPECT_TRUE(list.AddFrom(source, 3));
  EXPECT_TRUE(list.AddFrom(source, -1));
  EXPECT_EQ(list.GetSize(), 2);
  list.Append(source).Append(list);
  EXPECT_EQ(Texts(list), (W{L"b", L"c", L"a", L"b", L"c", L"b", L"c", L"a", L"b", L"c"}));
  EXPECT_NE(list.GetAt(2), source.GetAt(0));  // copies, not shared blocks

  CMultiStringList strings;
  EXPECT_TRUE(strings.AddStringList({L"one", L"", L"three"}));
  EXPECT_EQ(Texts(strings), (W{L"one", L"", L"three"}));
}

TEST(StringList, IndexMapCollectsIndexesPerText) {
  CMultiStringList list;
  list.AddText(L"x");
  list.AddText(L"y");
  list.AddText(L"x");
  std::unique_ptr<CMultiMapStringKey<int>> map(list.CreateIndexMap());
  ASSERT_NE(map, nullptr);
  EXPECT_TRUE(map->IsAutoDelete());
  EXPECT_EQ(map->GetCount(), 3);
  POSITION pos = map->FindKey(L"x");
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(*map->GetNextInNode(pos), 0);
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(*map->GetNextInNode(pos), 2);
  EXPECT_EQ(pos, nullptr);
  ASSERT_NE(map->Lookup(L"y"), nullptr);
  EXPECT_EQ(*map->Lookup(L"y"), 1);

  CMultiStringList empty;
  std::unique_ptr<CMultiMapStringKey<int>> none(empty.CreateIndexMap());
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->GetCount(), 0);
}

// A list whose item allocation fails after a set number of blocks.
class StarvingList : public CMultiStringList {
 public:
  int items_left = 1000;
  Item* NewItem() override { return items_left-- > 0 ? CMultiStringList::NewItem() : nullptr; }
};

TEST(StringList, OutOfMemoryStopsSplitsAndLeavesListsIntact) {
  StarvingList list;
  list.items_left = 2;
  EXPECT_EQ(list.SplitCsv(L"a,b,c,d", L','), 0);
  EXPECT_EQ(Texts(list), (W{L"a", L"b"}));
  EXPECT_FALSE(list.IsNoCopy());
  EXPECT_EQ(list.Split(L"e,f", L','), 0);
  EXPECT_FALSE(list.AddText(L"g"));
  EXPECT_FALSE(list.AddHead(L"g"));
  EXPECT_EQ(list.GetSize(), 2);

  EXPECT_FALSE(list.InsertAfter(list.GetHeadPosition(), L"a2"));
  EXPECT_FALSE(list.InsertBefore(list.GetHeadPosition(), L"a0"));
  EXPECT_EQ(Texts(list), (W{L"a", L"b"}));
  EXPECT_EQ(ListKeys(list), (std::vector<int>{1, 2}));
}

}  // namespace
