#include "base/multi_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Exposes the tree so that its shape and counters can be checked.
template <class Map>
class Inspect : public Map {
 public:
  using Map::Map;
  typename Map::Node* Root() const { return this->m_pRoot; }
};

using IntMap = Inspect<CMultiMap<int, int>>;
using TextMap = Inspect<CMultiStringMapStringKey>;

// "key(left,right)" with "-" for a missing child; a leaf is just its key.
template <class Node>
std::string Shape(const Node* n) {
  if (!n) return "-";
  std::string s = std::to_string(n->key);
  if (n->pLeft || n->pRight) s += "(" + Shape(n->pLeft) + "," + Shape(n->pRight) + ")";
  return s;
}

// Checks parent links, order and the subtree counters; returns the node count.
template <class Node, class Map>
int CheckSubtree(const Map& map, const Node* n, const Node* parent) {
  if (!n) return 0;
  EXPECT_EQ(n->pParent, parent);
  if (n->pLeft) {
    EXPECT_LT(map.CompareKey(n->pLeft->key, n->key), 0);
  }
  if (n->pRight) {
    EXPECT_GT(map.CompareKey(n->pRight->key, n->key), 0);
  }
  const int nodes = 1 + CheckSubtree(map, n->pLeft, n) + CheckSubtree(map, n->pRight, n);
  EXPECT_EQ(n->nNodes, nodes);
  int values = 0;
  for (auto* item = n->pHead; item; item = item->pNext) {
    EXPECT_EQ(item->pNode, n);
    if (item->pNext) {
      EXPECT_EQ(item->pNext->pPrev, item);
    } else {
      EXPECT_EQ(item, n->pTail);
    }
    ++values;
  }
  EXPECT_EQ(n->nValues, values);
  EXPECT_EQ(n->nTotal, values + (n->pLeft ? n->pLeft->nTotal : 0) +
                           (n->pRight ? n->pRight->nTotal : 0));
  return nodes;
}

template <class Map>
void CheckTree(const Map& map) {
  CheckSubtree(map, map.Root(), static_cast<decltype(map.Root())>(nullptr));
}

std::vector<int> Keys(const IntMap& map) {
  std::vector<int> keys;
  POSITION pos = map.GetHeadPosition();
  while (pos) {
    int key = 0;
    map.GetNext(pos, &key);
    keys.push_back(key);
  }
  return keys;
}

// Adds each key with a heap value equal to the key.
void AddKeys(IntMap& map, std::initializer_list<int> keys) {
  for (int k : keys) ASSERT_TRUE(map.Add(k, new int(k)));
}

std::wstring g_captured;
void Capture(const wchar_t* text) { g_captured += text; }

std::wstring DumpText(const IntMap& map, int* depth = nullptr) {
  g_captured.clear();
  const DebugOutputSink previous = SetDebugOutputSink(Capture);
  const int d = map.Dump(TRUE);
  SetDebugOutputSink(previous);
  if (depth) *depth = d;
  return g_captured;
}

TEST(MultiMapShape, AscendingAndDescendingKeysBuildBalancedTrees) {
  IntMap up;
  AddKeys(up, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(Shape(up.Root()), "4(2(1,3),6(5,7))");
  CheckTree(up);

  IntMap down;
  AddKeys(down, {7, 6, 5, 4, 3, 2, 1});
  EXPECT_EQ(Shape(down.Root()), "4(2(1,3),6(5,7))");
  CheckTree(down);

  IntMap fifteen;
  for (int k = 1; k <= 15; ++k) ASSERT_TRUE(fifteen.Add(k, new int(k)));
  EXPECT_EQ(Shape(fifteen.Root()),
            "8(4(2(1,3),6(5,7)),12(10(9,11),14(13,15)))");
  EXPECT_EQ(fifteen.Dump(FALSE), 3);
  CheckTree(fifteen);
}

TEST(MultiMapShape, SecondKeyAlwaysBecomesTheRoot) {
  IntMap ab;
  AddKeys(ab, {1, 2});
  EXPECT_EQ(Shape(ab.Root()), "2(1,-)");
  IntMap ba;
  AddKeys(ba, {2, 1});
  EXPECT_EQ(Shape(ba.Root()), "1(-,2)");
  CheckTree(ab);
  CheckTree(ba);
}

TEST(MultiMapShape, MixedOrderReRootsWholeSubtrees) {
  IntMap map;
  AddKeys(map, {5, 3, 8, 1, 4, 9});
  EXPECT_EQ(Shape(map.Root()), "9(1(-,8(3(-,4(-,5)),-)),-)");
  EXPECT_EQ(Keys(map), (std::vector<int>{1, 3, 4, 5, 8, 9}));
  CheckTree(map);
  EXPECT_EQ(map.Dump(FALSE), 5);
}

TEST(MultiMap, ValuesOfOneKeyKeepTheirOrder) {
  IntMap map;
  AddKeys(map, {1, 3});
  int* first = new int(21);
  int* second = new int(22);
  ASSERT_TRUE(map.Add(2, first));
  ASSERT_TRUE(map.Add(2, second));
  EXPECT_EQ(map.GetCount(), 4);
  EXPECT_EQ(map.Lookup(2), first);

  POSITION pos = map.FindKey(2);
  int key = 0;
  EXPECT_EQ(map.GetNextInNode(pos, &key), first);
  EXPECT_EQ(key, 2);
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(map.GetNextInNode(pos), second);
  EXPECT_EQ(pos, nullptr);

  const int nodes = map.Root()->nNodes;
  EXPECT_TRUE(map.RemoveKey(2));
  EXPECT_EQ(map.GetCount(), 2);
  EXPECT_EQ(map.Lookup(2), nullptr);
  EXPECT_FALSE(map.RemoveKey(2));
  EXPECT_FALSE(map.RemoveKey(7));
  EXPECT_EQ(Keys(map), (std::vector<int>{1, 3}));
  // The emptied node stays and takes the key again.
  EXPECT_EQ(map.Root()->nNodes, nodes);
  int* again = new int(23);
  ASSERT_TRUE(map.Add(2, again));
  EXPECT_EQ(map.Root()->nNodes, nodes);
  EXPECT_EQ(map.Lookup(2), again);
  CheckTree(map);
}

TEST(MultiMap, TextKeysCompareOrdinally) {
  TextMap map;
  ASSERT_TRUE(map.Add(L"a", L"lower"));
  ASSERT_TRUE(map.Add(L"A", L"upper"));
  ASSERT_TRUE(map.Add(L"ab", L"longer"));
  ASSERT_TRUE(map.Add(L"", L"empty"));
  // Around the end of the basic plane: U+FFFF is one unit, the characters
  // above it two (a high surrogate first, below U+E000).
  ASSERT_TRUE(map.Add(L"\uffff", L"last bmp"));
  ASSERT_TRUE(map.Add(L"\U00010000", L"astral"));
  ASSERT_TRUE(map.Add(L"\ufffe", L"noncharacter"));
  ASSERT_TRUE(map.Add(L"\ue000", L"private use"));
  ASSERT_TRUE(map.Add(L"\U0010FFFF", L"last astral"));
  std::vector<std::wstring> keys;
  POSITION pos = map.GetHeadPosition();
  while (pos) {
    std::wstring key;
    map.GetNext(pos, &key);
    keys.push_back(key);
  }
  // UTF-16 code unit order: a surrogate pair sorts below U+E000 and U+FFFF.
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"", L"A", L"a", L"ab", L"\U00010000",
                                             L"\U0010FFFF", L"\ue000", L"\ufffe", L"\uffff"}));
  EXPECT_EQ(std::wstring(map.Lookup(L"")), L"empty");
  EXPECT_EQ(std::wstring(map.Lookup(L"A")), L"upper");
  EXPECT_EQ(map.Lookup(L"b"), nullptr);
  CheckTree(map);
}

TEST(MultiMap, StringMapCopiesValuesAndKeys) {
  CMultiStringMapStringKey map;
  wchar_t key[] = L"k";
  wchar_t value[] = L"v1";
  ASSERT_TRUE(map.Add(key, value));
  key[0] = L'x';
  value[1] = L'9';
  EXPECT_EQ(std::wstring(map.Lookup(L"k")), L"v1");
  EXPECT_EQ(map.Lookup(L"x"), nullptr);
  EXPECT_NE(map.Lookup(L"k"), value);

  CMultiStringMapStringKey other;
  other.Add(L"k", L"v2");
  other.Add(L"a", L"v0");
  EXPECT_TRUE(map.AddStringMap(other));
  EXPECT_EQ(map.GetCount(), 3);
  POSITION pos = map.GetHeadPosition();
  std::wstring k;
  EXPECT_EQ(std::wstring(map.GetNext(pos, &k)), L"v0");
  EXPECT_EQ(k, L"a");
  EXPECT_EQ(std::wstring(map.GetNext(pos, &k)), L"v1");
  EXPECT_EQ(std::wstring(map.GetNext(pos, &k)), L"v2");
  EXPECT_EQ(k, L"k");
  EXPECT_EQ(pos, nullptr);
  EXPECT_NE(map.FindKey(L"a"), other.FindKey(L"a"));
  // Adding a map to itself doubles every pair once.
  EXPECT_TRUE(map.AddStringMap(map));
  EXPECT_EQ(map.GetCount(), 6);
}

TEST(MultiMap, StringKeyWalksDeliverKeysAsStrings) {
  CMultiStringMapStringKey map;
  map.Add(L"b", L"2");
  map.Add(L"a", L"1");
  POSITION pos = map.GetTailPosition();
  std::wstring key = L"untouched";
  EXPECT_EQ(std::wstring(map.GetPrev(pos, &key)), L"2");
  EXPECT_EQ(key, L"b");
  EXPECT_EQ(std::wstring(map.GetPrev(pos, &key)), L"1");
  EXPECT_EQ(key, L"a");
  EXPECT_EQ(pos, nullptr);
  key = L"untouched";
  EXPECT_EQ(map.GetNext(pos, &key), nullptr);
  EXPECT_EQ(key, L"untouched");
  pos = map.FindKey(L"a");
  EXPECT_EQ(std::wstring(map.GetNextInNode(pos, &key)), L"1");
  EXPECT_EQ(pos, nullptr);
  EXPECT_EQ(std::wstring(map.GetKeyAt(nullptr)), L"");
  EXPECT_EQ(std::wstring(map.GetKeyAt(map.GetHeadPosition())), L"a");
}

TEST(MultiMap, AddMapSharesPointersOnlyFromNonOwningMaps) {
  CMultiMapStringKey<int> owner(TRUE);
  owner.Add(L"x", new int(1));
  CMultiMapStringKey<int> target(TRUE);
  EXPECT_FALSE(target.AddMap(owner));
  EXPECT_EQ(target.GetCount(), 0);

  int one = 1, two = 2;
  CMultiMapStringKey<int> borrowed(FALSE);
  borrowed.Add(L"b", &two);
  borrowed.Add(L"a", &one);
  CMultiMapStringKey<int> sharer(FALSE);
  EXPECT_TRUE(sharer.AddMap(borrowed));
  EXPECT_EQ(sharer.Lookup(L"a"), &one);
  EXPECT_EQ(sharer.Lookup(L"b"), &two);
  EXPECT_TRUE(sharer.AddMap(sharer));
  EXPECT_EQ(sharer.GetCount(), 4);
  // Neither map owns the stack values; clearing must leave them alone.
  sharer.RemoveAll();
  borrowed.RemoveAll();
  EXPECT_EQ(one + two, 3);
}

TEST(MultiMap, IndexArithmetic) {
  IntMap map;
  AddKeys(map, {5, 3, 8, 1, 4, 9});
  ASSERT_TRUE(map.Add(4, new int(40)));
  ASSERT_TRUE(map.Add(4, new int(41)));
  // Ascending order: 1 3 4 4' 4'' 5 8 9
  const std::vector<int> expected{1, 3, 4, 40, 41, 5, 8, 9};
  ASSERT_EQ(map.GetCount(), 8);
  for (int i = 0; i < map.GetCount(); ++i) {
    POSITION pos = map.FindIndex(i);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(*map.GetValueAt(pos), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(*map.GetAt(i), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(map.GetIndexOf(pos), i);
  }
  EXPECT_EQ(map.FindIndex(map.GetCount()), nullptr);
  EXPECT_EQ(map.FindIndex(-1), nullptr);
  EXPECT_EQ(map.GetAt(8), nullptr);
  EXPECT_EQ(map.GetIndexOf(map.GetTailPosition()), map.GetCount() - 1);
  EXPECT_EQ(map.GetIndexOf(nullptr), -1);
  EXPECT_EQ(map.GetKeyAt(nullptr), 0);
  EXPECT_EQ(map.GetValueAt(nullptr), nullptr);

  map.RemoveKey(3);
  EXPECT_EQ(*map.GetAt(1), 4);
  EXPECT_EQ(map.GetIndexOf(map.FindKey(9)), 6);
}

TEST(MultiMap, WalksInEveryDirectionSkipEmptiedNodes) {
  IntMap map;
  AddKeys(map, {1, 2, 3, 4, 5});
  map.Add(2, new int(20));
  map.Add(4, new int(40));
  map.RemoveKey(3);
  map.RemoveKey(5);  // the greatest key is now empty too

  std::vector<int> forward;
  for (POSITION pos = map.GetHeadPosition(); pos;) forward.push_back(*map.GetNext(pos));
  EXPECT_EQ(forward, (std::vector<int>{1, 2, 20, 4, 40}));

  std::vector<int> backward;
  for (POSITION pos = map.GetTailPosition(); pos;) backward.push_back(*map.GetPrev(pos));
  EXPECT_EQ(backward, (std::vector<int>{40, 4, 20, 2, 1}));

  std::vector<int> descending;
  for (POSITION pos = map.GetLastKeyPosition(); pos;) {
    descending.push_back(*map.GetNextDescending(pos));
  }
  EXPECT_EQ(descending, (std::vector<int>{4, 40, 2, 20, 1}));

  EXPECT_EQ(*map.GetHead(), 1);
  EXPECT_EQ(*map.GetTail(), 40);
  EXPECT_EQ(*map.GetLastKeyHead(), 4);

  POSITION same = map.FindKey(2);
  EXPECT_EQ(*map.GetNextSameKey(same), 2);
  EXPECT_EQ(*map.GetNextSameKey(same), 20);
  EXPECT_EQ(same, nullptr);
  POSITION back = map.GetTailPosition();
  EXPECT_EQ(*map.GetPrevSameKey(back), 40);
  EXPECT_EQ(*map.GetPrevSameKey(back), 4);
  EXPECT_EQ(back, nullptr);
  POSITION none = nullptr;
  EXPECT_EQ(map.GetNext(none), nullptr);
  EXPECT_EQ(map.GetPrev(none), nullptr);

  // The smallest key emptied as well: the head moves on.
  map.RemoveKey(1);
  EXPECT_EQ(*map.GetHead(), 2);
  map.RemoveKey(2);
  map.RemoveKey(4);
  EXPECT_EQ(map.GetHeadPosition(), nullptr);
  EXPECT_EQ(map.GetTailPosition(), nullptr);
  EXPECT_EQ(map.GetLastKeyPosition(), nullptr);
  EXPECT_EQ(map.GetHead(), nullptr);
  EXPECT_EQ(map.GetCount(), 0);
}

TEST(MultiMap, FloorFindsTheNearestValueAtOrBelow) {
  IntMap map;
  AddKeys(map, {10, 20, 30, 40, 50});
  map.Add(20, new int(21));
  EXPECT_EQ(map.LookupFloor(5), nullptr);
  EXPECT_EQ(*map.LookupFloor(10), 10);
  EXPECT_EQ(*map.LookupFloor(15), 10);
  EXPECT_EQ(*map.LookupFloor(20), 20);
  EXPECT_EQ(*map.LookupFloor(29), 21);  // last value of 20 reached from above
  EXPECT_EQ(*map.LookupFloor(99), 50);
  // Emptied keys are no floor; the nearest smaller key that holds values is.
  map.RemoveKey(30);
  map.RemoveKey(50);
  EXPECT_EQ(*map.LookupFloor(30), 21);
  EXPECT_EQ(*map.LookupFloor(35), 21);
  EXPECT_EQ(*map.LookupFloor(99), 40);
  map.RemoveKey(10);
  EXPECT_EQ(map.LookupFloor(15), nullptr);
}

TEST(MultiMap, RemovalsAroundPositions) {
  IntMap map;
  AddKeys(map, {1, 2, 3, 4});
  // After GetNext, RemovePrev removes what GetNext returned.
  POSITION pos = map.GetHeadPosition();
  map.GetNext(pos);
  map.GetNext(pos);
  EXPECT_TRUE(map.RemovePrev(pos));
  EXPECT_EQ(Keys(map), (std::vector<int>{1, 3, 4}));
  EXPECT_FALSE(map.RemovePrev(map.GetHeadPosition()));
  EXPECT_TRUE(map.RemovePrev(nullptr));  // the last value
  EXPECT_EQ(Keys(map), (std::vector<int>{1, 3}));
  EXPECT_TRUE(map.RemoveNext(map.GetHeadPosition()));
  EXPECT_EQ(Keys(map), (std::vector<int>{1}));
  EXPECT_FALSE(map.RemoveNext(map.GetHeadPosition()));
  EXPECT_TRUE(map.RemoveNext(nullptr));  // the first value
  EXPECT_EQ(map.GetCount(), 0);
  EXPECT_FALSE(map.RemoveHead());
  EXPECT_FALSE(map.RemoveTail());
  EXPECT_FALSE(map.RemoveAt(nullptr));

  AddKeys(map, {7, 8, 9});
  EXPECT_TRUE(map.RemoveHead());
  EXPECT_TRUE(map.RemoveTail());
  EXPECT_EQ(Keys(map), (std::vector<int>{8}));
  CheckTree(map);
  map.RemoveAll();
  EXPECT_EQ(map.Root(), nullptr);
  EXPECT_EQ(map.GetCount(), 0);
  AddKeys(map, {1});
  EXPECT_EQ(map.GetCount(), 1);
}

TEST(MultiMap, FindValueComparesPointers) {
  IntMap map;
  int* a = new int(1);
  int* b = new int(1);
  map.Add(1, a);
  map.Add(2, b);
  map.Add(3, new int(3));
  EXPECT_EQ(map.FindValue(b), map.FindKey(2));
  EXPECT_EQ(map.FindValue(a), map.GetHeadPosition());
  EXPECT_EQ(map.FindValue(a, map.FindKey(2)), nullptr);
  int stranger = 1;
  EXPECT_EQ(map.FindValue(&stranger), nullptr);
}

TEST(MultiMap, AutoDeleteSwitch) {
  IntMap map(FALSE);
  EXPECT_FALSE(map.IsAutoDelete());
  int local[3] = {1, 2, 3};
  map.Add(1, &local[0]);
  map.Add(2, &local[1]);
  map.Add(2, &local[2]);
  map.RemoveAt(map.GetHeadPosition());
  map.RemoveKey(2);
  map.Add(5, &local[0]);
  // Destroying a non-owning map leaves the values to their owner; the
  // sanitizer run fails on a stray delete of these stack objects.
  map.SetAutoDelete(TRUE);
  EXPECT_TRUE(map.IsAutoDelete());
  map.SetAutoDelete(FALSE);
}

TEST(MultiMapDump, DrawsTheTree) {
  IntMap map;
  AddKeys(map, {1, 2, 3});
  map.Add(2, new int(2));
  int depth = -1;
  EXPECT_EQ(DumpText(map, &depth),
            L"(00)[    2](  2/  4) +- (01)[    1](  1/  1)\r\n"
            L"                     |- (01)[    3](  1/  1)\r\n"
            L"MaxIndentCount = 2\r\n");
  EXPECT_EQ(depth, 1);

  IntMap right;
  AddKeys(right, {2, 1});
  EXPECT_EQ(DumpText(right),
            L"(00)[    1](  1/  2) +- \uff65 \r\n"
            L"                     |- (01)[    2](  1/  1)\r\n"
            L"MaxIndentCount = 2\r\n");

  IntMap empty;
  EXPECT_EQ(DumpText(empty, &depth), L"\u30ce\u30fc\u30c9\u306a\u3057\r\nMaxIndentCount = 1\r\n");
  EXPECT_EQ(depth, 0);
}

TEST(MultiMapDump, DrawsDeeperTrees) {
  IntMap map;
  AddKeys(map, {1, 2, 3, 4, 5, 6, 7});
  map.RemoveKey(6);
  const std::wstring b20(20, L' ');
  const std::wstring b24(24, L' ');
  EXPECT_EQ(DumpText(map),
            L"(00)[    4](  1/  6) +- (01)[    2](  1/  3) +- (02)[    1](  1/  1)\r\n" +
                b20 + L" |  " + b20 + L" |- (02)[    3](  1/  1)\r\n" +
                b20 + L" |- (01)[    6](  0/  2) +- (02)[    5](  1/  1)\r\n" +
                b24 + b20 + L" |- (02)[    7](  1/  1)\r\n" +
                L"MaxIndentCount = 3\r\n");

  IntMap chain;  // left-only and right-only links
  AddKeys(chain, {5, 3, 8, 1, 4, 9});
  EXPECT_EQ(DumpText(chain),
            L"(00)[    9](  1/  6) -- (01)[    1](  1/  5) +- \uff65 \r\n" +
                b24 + b20 + L" |- (02)[    8](  1/  4) -- (03)[    3](  1/  3) +- \uff65 \r\n" +
                b24 + b24 + b24 + b20 + L" |- (04)[    4](  1/  2) +- \uff65 \r\n" +
                b24 + b24 + b24 + b24 + b20 + L" |- (05)[    5](  1/  1)\r\n" +
                L"MaxIndentCount = 6\r\n");
}

TEST(MultiMapDump, WithoutPrintWritesNothing) {
  IntMap map;
  AddKeys(map, {1, 2, 3});
  g_captured.clear();
  const DebugOutputSink previous = SetDebugOutputSink(Capture);
  EXPECT_EQ(map.Dump(FALSE), 1);
  SetDebugOutputSink(previous);
  EXPECT_TRUE(g_captured.empty());
}

// Allocation that runs dry after a set number of blocks, through the same
// hooks the map uses for every node and item.
class Starving : public CMultiMap<int, int> {
 public:
  int items_left = 1000;
  int nodes_left = 1000;
  Item* NewItem() override {
    return items_left-- > 0 ? CMultiMap<int, int>::NewItem() : nullptr;
  }
  Node* NewNode(int key) override {
    return nodes_left-- > 0 ? CMultiMap<int, int>::NewNode(key) : nullptr;
  }
  Node* Root() const { return m_pRoot; }
};

TEST(MultiMap, OutOfMemoryLeavesTheMapUnchanged) {
  Starving map;
  for (int k : {1, 2, 3, 4, 5}) ASSERT_TRUE(map.Add(k, new int(k)));
  std::wstring before;
  g_captured.clear();
  DebugOutputSink previous = SetDebugOutputSink(Capture);
  map.Dump(TRUE);
  before = g_captured;

  map.nodes_left = 0;
  int* value = new int(6);
  EXPECT_FALSE(map.Add(6, value));    // no node for a new key
  EXPECT_FALSE(map.Add(0, value));
  map.nodes_left = 1000;
  map.items_left = 0;
  EXPECT_FALSE(map.Add(6, value));    // node, but no item: the node goes again
  EXPECT_FALSE(map.Add(3, value));    // existing key, no item
  EXPECT_EQ(map.GetCount(), 5);

  g_captured.clear();
  map.Dump(TRUE);
  SetDebugOutputSink(previous);
  EXPECT_EQ(g_captured, before);
  CheckSubtree(map, map.Root(), static_cast<Starving::Node*>(nullptr));

  map.items_left = 1000;
  EXPECT_TRUE(map.Add(6, value));
  EXPECT_EQ(map.GetCount(), 6);
}

}  // namespace
