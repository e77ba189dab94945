// Drives the multi-maps and a std::multimap (or a std::deque for the list)
// with the same long random sequence of operations and compares them after
// every step.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "base/multi_list.h"
#include "base/multi_map.h"

namespace {

// A small fixed generator, so every platform replays the same sequence.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }

 private:
  std::uint64_t state_;
};

class IntMap : public CMultiMap<int, int> {
 public:
  Node* Root() const { return m_pRoot; }
};

// Node count of a subtree after checking links, order and counters.
int CheckNode(const IntMap::Node* n, const IntMap::Node* parent, bool* ok) {
  if (!n) return 0;
  if (n->pParent != parent) *ok = false;
  if (n->pLeft && !(n->pLeft->key < n->key)) *ok = false;
  if (n->pRight && !(n->key < n->pRight->key)) *ok = false;
  const int nodes = 1 + CheckNode(n->pLeft, n, ok) + CheckNode(n->pRight, n, ok);
  int values = 0;
  for (auto* item = n->pHead; item; item = item->pNext) ++values;
  const int total = values + (n->pLeft ? n->pLeft->nTotal : 0) + (n->pRight ? n->pRight->nTotal : 0);
  if (n->nNodes != nodes || n->nValues != values || n->nTotal != total) *ok = false;
  return nodes;
}

using Model = std::multimap<int, int>;

// Content, order, count and keys, compared after every step.
::testing::AssertionResult SameContent(const IntMap& map, const Model& model) {
  if (map.GetCount() != static_cast<int>(model.size())) {
    return ::testing::AssertionFailure()
           << "count " << map.GetCount() << " vs " << model.size();
  }
  POSITION pos = map.GetHeadPosition();
  int index = 0;
  for (const auto& [key, id] : model) {
    int k = 0;
    const int* value = map.GetNext(pos, &k);
    if (k != key || !value || *value != id) {
      return ::testing::AssertionFailure() << "walk differs at index " << index;
    }
    ++index;
  }
  if (pos) return ::testing::AssertionFailure() << "walk runs past the end";
  return ::testing::AssertionSuccess();
}

// The other walks, every index and the tree's own bookkeeping: heavier, so
// run at intervals.
::testing::AssertionResult SameStructure(const IntMap& map, const Model& model) {
  POSITION pos = map.GetHeadPosition();
  for (int index = 0; pos; ++index) {
    if (map.GetIndexOf(pos) != index) {
      return ::testing::AssertionFailure() << "GetIndexOf " << map.GetIndexOf(pos) << " at " << index;
    }
    if (map.FindIndex(index) != pos) return ::testing::AssertionFailure() << "FindIndex " << index;
    map.GetNext(pos);
  }
  pos = map.GetTailPosition();
  for (auto it = model.rbegin(); it != model.rend(); ++it) {
    const int* value = map.GetPrev(pos);
    if (!value || *value != it->second) return ::testing::AssertionFailure() << "backward walk differs";
  }
  if (pos) return ::testing::AssertionFailure() << "backward walk runs past the start";
  // Descending keys, each key's values in their order.
  pos = map.GetLastKeyPosition();
  for (auto it = model.rbegin(); it != model.rend();) {
    const auto range = model.equal_range(it->first);
    for (auto v = range.first; v != range.second; ++v) {
      const int* value = map.GetNextDescending(pos);
      if (!value || *value != v->second) {
        return ::testing::AssertionFailure() << "descending walk differs at key " << it->first;
      }
    }
    it = std::make_reverse_iterator(range.first);
  }
  if (pos) return ::testing::AssertionFailure() << "descending walk runs past the end";
  bool ok = true;
  CheckNode(map.Root(), nullptr, &ok);
  if (!ok) return ::testing::AssertionFailure() << "tree counters or links broken";
  return ::testing::AssertionSuccess();
}

TEST(MultiMapRandom, AgreesWithStdMultimapOverLongSequences) {
  Random rnd(20261209);
  IntMap map;
  Model model;
  int next_id = 0;
  int ascending = 60;  // runs of ascending / descending keys shape the tree
  int descending = -60;
  const int kSteps = 120000;
  for (int step = 0; step < kSteps; ++step) {
    const int size = static_cast<int>(model.size());
    const int op = rnd.Below(100);
    if (op < 45 || size < 5) {
      int key;
      const int shape = rnd.Below(10);
      if (shape == 0) key = ascending = ascending < 200 ? ascending + 1 : 60;
      else if (shape == 1) key = descending = descending > -200 ? descending - 1 : -60;
      else key = rnd.Between(-60, 60);
      const int id = next_id++;
      ASSERT_TRUE(map.Add(key, new int(id)));
      model.emplace(key, id);
    } else if (op < 55) {
      const int key = rnd.Between(-60, 60);
      const bool present = model.count(key) > 0;
      ASSERT_EQ(map.RemoveKey(key), present ? TRUE : FALSE);
      model.erase(key);
    } else if (op < 65) {
      const int i = rnd.Below(size);
      ASSERT_TRUE(map.RemoveAt(map.FindIndex(i)));
      model.erase(std::next(model.begin(), i));
    } else if (op < 70) {
      // After GetNext moved a position, RemovePrev removes what it returned.
      const int i = rnd.Below(size);
      POSITION pos = map.FindIndex(i);
      map.GetNext(pos);
      ASSERT_TRUE(map.RemovePrev(pos));
      model.erase(std::next(model.begin(), i));
    } else if (op < 74) {
      // RemoveNext of a null position takes the first value, of index i the next.
      const int i = rnd.Below(size + 1) - 1;
      const BOOL removed = map.RemoveNext(i < 0 ? nullptr : map.FindIndex(i));
      if (i + 1 < size) {
        ASSERT_TRUE(removed);
        model.erase(std::next(model.begin(), i + 1));
      } else {
        ASSERT_FALSE(removed);
      }
    } else if (op < 77) {
      if (rnd.Below(2)) {
        ASSERT_TRUE(map.RemoveHead());
        model.erase(model.begin());
      } else {
        ASSERT_TRUE(map.RemoveTail());
        model.erase(std::prev(model.end()));
      }
    } else if (op < 87) {
      const int key = rnd.Between(-70, 70);
      const auto it = model.find(key);
      const int* value = map.Lookup(key);
      if (it == model.end()) {
        ASSERT_EQ(value, nullptr);
      } else {
        ASSERT_NE(value, nullptr);
        ASSERT_EQ(*value, it->second);
      }
    } else if (op < 97) {
      // Floor: the greatest present key at or below; its first or last value.
      const int key = rnd.Between(-70, 70);
      POSITION pos = map.FindFloor(key);
      auto it = model.upper_bound(key);
      if (it == model.begin()) {
        ASSERT_EQ(pos, nullptr);
      } else {
        --it;
        ASSERT_NE(pos, nullptr);
        ASSERT_EQ(map.GetKeyAt(pos), it->first);
        const auto range = model.equal_range(it->first);
        const int v = *map.GetValueAt(pos);
        ASSERT_TRUE(v == range.first->second || v == std::prev(range.second)->second);
      }
    } else if (op < 99) {
      const int i = rnd.Between(-2, size + 1);
      POSITION pos = map.FindIndex(i);
      if (i < 0 || i >= size) {
        ASSERT_EQ(pos, nullptr);
      } else {
        ASSERT_EQ(*map.GetValueAt(pos), std::next(model.begin(), i)->second);
      }
    } else if (rnd.Below(20) == 0) {
      map.RemoveAll();
      model.clear();
    }
    ASSERT_TRUE(SameContent(map, model)) << "after step " << step << ", operation " << op;
    if (step % 16 == 0) {
      ASSERT_TRUE(SameStructure(map, model)) << "after step " << step << ", operation " << op;
    }
    // A single position's index, at every step.
    if (!model.empty()) {
      const int i = rnd.Below(static_cast<int>(model.size()));
      ASSERT_EQ(map.GetIndexOf(map.FindIndex(i)), i) << "after step " << step;
    }
  }
}

TEST(MultiMapRandom, TextKeysAgreeWithOrdinalStdMultimap) {
  struct Ordinal {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
      return multimap_detail::CompareText(a.c_str(), b.c_str()) < 0;
    }
  };
  Random rnd(7);
  CMultiStringMapStringKey map;
  std::multimap<std::wstring, std::wstring, Ordinal> model;
  const wchar_t alphabet[] = L"aAb\u00e9\u8a2d";
  for (int step = 0; step < 20000; ++step) {
    std::wstring key;
    for (int n = rnd.Below(4); n > 0; --n) key.push_back(alphabet[rnd.Below(5)]);
    const int op = rnd.Below(10);
    if (op < 6) {
      const std::wstring value = std::to_wstring(step);
      ASSERT_TRUE(map.Add(key.c_str(), value.c_str()));
      model.emplace(key, value);
    } else if (op < 8) {
      ASSERT_EQ(map.RemoveKey(key.c_str()), model.count(key) ? TRUE : FALSE);
      model.erase(key);
    } else {
      const wchar_t* value = map.Lookup(key.c_str());
      const auto it = model.find(key);
      if (it == model.end()) {
        ASSERT_EQ(value, nullptr);
      } else {
        ASSERT_NE(value, nullptr);
        ASSERT_EQ(std::wstring(value), it->second);
      }
    }
    if (step % 16 == 0 || step > 19900) {
      POSITION pos = map.GetHeadPosition();
      for (const auto& [k, v] : model) {
        std::wstring got_key;
        const wchar_t* got = map.GetNext(pos, &got_key);
        ASSERT_NE(got, nullptr);
        ASSERT_EQ(got_key, k);
        ASSERT_EQ(std::wstring(got), v);
      }
      ASSERT_EQ(pos, nullptr);
    }
  }
}

TEST(MultiListRandom, AgreesWithStdDeque) {
  Random rnd(99);
  CMultiStringList list;
  std::deque<std::wstring> model;
  for (int step = 0; step < 30000; ++step) {
    const int size = static_cast<int>(model.size());
    const std::wstring text = std::to_wstring(rnd.Below(50));
    const int op = rnd.Below(12);
    if (op < 3 || size == 0) {
      ASSERT_TRUE(list.AddText(text.c_str()));
      model.push_back(text);
    } else if (op < 4) {
      ASSERT_TRUE(list.AddHead(text.c_str()));
      model.push_front(text);
    } else if (op < 6) {
      const int i = rnd.Below(size);
      ASSERT_TRUE(list.InsertAfter(list.FindIndex(i), text.c_str()));
      model.insert(model.begin() + i + 1, text);
    } else if (op < 7) {
      const int i = rnd.Below(size);
      ASSERT_TRUE(list.InsertBefore(list.FindIndex(i), text.c_str()));
      model.insert(model.begin() + i, text);
    } else if (op < 9) {
      const int i = rnd.Below(size);
      ASSERT_TRUE(list.RemoveAt(list.FindIndex(i)));
      model.erase(model.begin() + i);
    } else if (op < 10) {
      const int i = rnd.Below(size);
      ASSERT_TRUE(list.SetTextAt(i, text.c_str()));
      model[static_cast<std::size_t>(i)] = text;
    } else if (op < 11) {
      if (rnd.Below(2)) {
        ASSERT_TRUE(list.Renumber());
      } else {
        ASSERT_TRUE(list.Reverse());
        model = std::deque<std::wstring>(model.rbegin(), model.rend());
      }
    } else {
      const int i = rnd.Between(-1, size);
      ASSERT_EQ(list.GetTextAt(i),
                i >= 0 && i < size ? model[static_cast<std::size_t>(i)] : std::wstring());
    }
    ASSERT_EQ(list.GetSize(), static_cast<int>(model.size()));
    if (step % 8 == 0) {
      POSITION pos = list.GetHeadPosition();
      int index = 0;
      for (const std::wstring& expected : model) {
        ASSERT_EQ(list.GetIndexOf(pos), index++);
        ASSERT_EQ(std::wstring(list.GetNext(pos)), expected);
      }
      ASSERT_EQ(pos, nullptr);
    }
    if (model.size() > 300) {
      list.RemoveAll();
      model.clear();
    }
  }
}

}  // namespace
