#pragma once
// Ordered multi-maps: one binary search tree per container, one node per
// distinct key, and under each node the values added with that key in the
// order they came. Every node counts the nodes and values of its subtree, so
// the n-th value and the index of a value are found in one walk from the root.
//
// The tree rebalances only when a key is inserted, by letting the new node
// take the place of a whole subtree; ascending and descending insertions (the
// way the lists append) therefore build perfectly balanced trees.
//
// Removing values never removes nodes: an emptied node stays in the tree, is
// skipped by every walk and lookup and takes values again when its key comes
// back. Nodes are freed by RemoveAll only.
//
// The containers take no locks and never throw. A node or value item that
// cannot be allocated leaves the container as it was and the adding operation
// answers FALSE.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/debug_output.h"
#include "base/win_types.h"

// Opaque position of one value; null means no position (or past the end). It
// stays valid until its value is removed.
struct tagPOSITION;
typedef tagPOSITION* POSITION;

template <class K, class V>
struct CMultiMapItem;

template <class K, class V>
struct CMultiMapNode {
  K key;        // the key, or the node's own heap copy of the key text
  int nNodes;   // key nodes in this subtree, this one included
  CMultiMapNode* pParent;
  CMultiMapNode* pLeft;   // smaller keys
  CMultiMapNode* pRight;  // greater keys
  int nValues;  // values held by this node
  int nTotal;   // values held in this subtree
  CMultiMapItem<K, V>* pHead;
  CMultiMapItem<K, V>* pTail;
};

template <class K, class V>
struct CMultiMapItem {
  CMultiMapNode<K, V>* pNode;
  V* pValue;
  CMultiMapItem* pNext;  // neighbours within the same node
  CMultiMapItem* pPrev;
};

namespace multimap_detail {

// Ordinal comparison of two texts as UTF-16 code units (unsigned 16-bit, the
// shorter text first): -1, 0 or +1. Null counts as the empty text. Where
// wchar_t is 32 bits wide, characters above U+FFFF compare as their surrogate
// pairs, so the order is the same on every platform.
int CompareText(const wchar_t* a, const wchar_t* b);

// A C-heap copy of a text (null counts as empty); null when out of memory.
wchar_t* DuplicateText(const wchar_t* text);

// Releases a value the way its container allocated it: texts go back to the
// C heap, other values are single objects.
template <class V>
void ReleaseValue(V* value) {
  if constexpr (std::is_same_v<std::remove_cv_t<V>, wchar_t> ||
                std::is_same_v<std::remove_cv_t<V>, char>) {
    std::free(const_cast<std::remove_cv_t<V>*>(value));
  } else {
    delete value;
  }
}

// The number the tree drawing shows for a key: the key itself, or for text
// keys the address of the key copy.
inline int KeyWord(int key) { return key; }
inline int KeyWord(const wchar_t* key) {
  return static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key)));
}

}  // namespace multimap_detail

template <class K, class V>
class CMultiMapBase {
 public:
  typedef CMultiMapNode<K, V> Node;
  typedef CMultiMapItem<K, V> Item;

  explicit CMultiMapBase(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete), m_pRoot(nullptr) {}
  CMultiMapBase(const CMultiMapBase&) = delete;
  CMultiMapBase& operator=(const CMultiMapBase&) = delete;
  // Every level that supplies hooks clears the tree in its own destructor,
  // while its hooks are still reachable; here the tree is already empty.
  virtual ~CMultiMapBase() { RemoveAll(); }

  virtual BOOL IsAutoDelete() const { return m_bAutoDelete; }
  virtual void SetAutoDelete(BOOL bAutoDelete) { m_bAutoDelete = bAutoDelete; }

  // Hooks of the key type.
  virtual Item* NewItem() = 0;
  virtual Node* NewNode(K key) = 0;
  virtual void DeleteItem(Item* item) = 0;
  virtual void DeleteNode(Node* node) = 0;
  virtual void DeleteValue(V* value) = 0;
  virtual int CompareKey(K a, K b) const = 0;
  virtual K GetNullKey() const = 0;

  // Links a value into a node's list: after (or before) `pRef`, or at the
  // tail (head) without a reference.
  virtual BOOL AddToNode(Node* node, V* value, BOOL bAfter, Item* pRef) {
    Item* item = NewItem();
    if (!item) return FALSE;
    item->pNode = node;
    item->pValue = value;
    ++node->nValues;
    for (Node* n = node; n; n = n->pParent) ++n->nTotal;
    if (!node->pHead) {
      item->pNext = item->pPrev = nullptr;
      node->pHead = node->pTail = item;
    } else if (pRef && bAfter) {
      item->pPrev = pRef;
      item->pNext = pRef->pNext;
      if (pRef->pNext) pRef->pNext->pPrev = item;
      else node->pTail = item;
      pRef->pNext = item;
    } else if (pRef) {
      item->pNext = pRef;
      item->pPrev = pRef->pPrev;
      if (pRef->pPrev) pRef->pPrev->pNext = item;
      else node->pHead = item;
      pRef->pPrev = item;
    } else if (bAfter) {
      item->pPrev = node->pTail;
      item->pNext = nullptr;
      node->pTail->pNext = item;
      node->pTail = item;
    } else {
      item->pNext = node->pHead;
      item->pPrev = nullptr;
      node->pHead->pPrev = item;
      node->pHead = item;
    }
    return TRUE;
  }

  // A node holding its first value, counted into its ancestors; linking it
  // into the parent is the caller's step. Null (nothing changed) when out of
  // memory.
  virtual Node* CreateNode(Node* parent, K key, V* value) {
    Node* node = NewNode(key);
    if (!node) return nullptr;
    node->pParent = parent;
    if (!AddToNode(node, value, TRUE, nullptr)) {
      DeleteNode(node);
      return nullptr;
    }
    for (Node* n = node; n; n = n->pParent) ++n->nNodes;
    return node;
  }

  virtual BOOL Add(K key, V* value) {
    if (!m_pRoot) {
      Node* node = CreateNode(nullptr, key, value);
      if (!node) return FALSE;
      m_pRoot = node;
      return TRUE;
    }
    // Pivots: the highest node of the last straight run of moves to the right
    // (R) or left (L) whose side in the direction of travel is at least as
    // heavy as its other side.
    Node* n = m_pRoot;
    Node* pivotRight = nullptr;
    Node* pivotLeft = nullptr;
    for (;;) {
      const int c = CompareKey(key, n->key);
      if (c == 0) return AddToNode(n, value, TRUE, nullptr);
      if (c > 0) {
        if (!n->pRight) return AttachAtRightEnd(n, pivotRight ? pivotRight : n, key, value);
        pivotLeft = nullptr;
        if (!pivotRight && Size(n->pLeft) <= Size(n->pRight)) pivotRight = n;
        n = n->pRight;
      } else {
        if (!n->pLeft) return AttachAtLeftEnd(n, pivotLeft ? pivotLeft : n, key, value);
        pivotRight = nullptr;
        if (!pivotLeft && Size(n->pLeft) >= Size(n->pRight)) pivotLeft = n;
        n = n->pLeft;
      }
    }
  }

  virtual int GetCount() const { return m_pRoot ? m_pRoot->nTotal : 0; }

  virtual POSITION GetHeadPosition() const {
    if (!m_pRoot) return nullptr;
    Node* n = m_pRoot;
    while (n->pLeft) n = n->pLeft;
    return ToPosition(n->pHead ? n->pHead : NextItem(n, nullptr, FALSE));
  }

  virtual POSITION GetTailPosition() const {
    if (!m_pRoot) return nullptr;
    Node* n = Rightmost();
    return ToPosition(n->pTail ? n->pTail : PrevItem(n, nullptr));
  }

  virtual POSITION GetLastKeyPosition() const {
    if (!m_pRoot) return nullptr;
    Node* n = Rightmost();
    return ToPosition(n->pHead ? n->pHead : NextItemDescending(n, nullptr));
  }

  virtual V* GetHead() const { return GetValueAt(GetHeadPosition()); }
  virtual V* GetTail() const { return GetValueAt(GetTailPosition()); }
  virtual V* GetLastKeyHead() const { return GetValueAt(GetLastKeyPosition()); }

  virtual V* GetNext(POSITION& pos, K* pKey = nullptr) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    if (pKey) *pKey = item->pNode->key;
    pos = ToPosition(NextItem(item->pNode, item, FALSE));
    return item->pValue;
  }

  virtual V* GetNextSameKey(POSITION& pos) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    Item* next = NextItem(item->pNode, item, FALSE);
    if (next && CompareKey(next->pNode->key, item->pNode->key) != 0) next = nullptr;
    pos = ToPosition(next);
    return item->pValue;
  }

  virtual V* GetNextInNode(POSITION& pos, K* pKey = nullptr) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    if (pKey) *pKey = item->pNode->key;
    pos = ToPosition(NextItem(item->pNode, item, TRUE));
    return item->pValue;
  }

  virtual V* GetPrev(POSITION& pos, K* pKey = nullptr) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    if (pKey) *pKey = item->pNode->key;
    pos = ToPosition(PrevItem(item->pNode, item));
    return item->pValue;
  }

  // Keys descend; the values of each key keep their list order.
  virtual V* GetNextDescending(POSITION& pos, K* pKey = nullptr) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    if (pKey) *pKey = item->pNode->key;
    pos = ToPosition(NextItemDescending(item->pNode, item));
    return item->pValue;
  }

  virtual V* GetPrevSameKey(POSITION& pos) const {
    Item* item = ToItem(pos);
    if (!item) return nullptr;
    Item* prev = PrevItem(item->pNode, item);
    if (prev && CompareKey(prev->pNode->key, item->pNode->key) != 0) prev = nullptr;
    pos = ToPosition(prev);
    return item->pValue;
  }

  // Walk steps. Without an item the walk starts at the node's neighbour; the
  // node itself is not looked at. Nodes that hold no values are skipped.
  virtual Item* NextItem(Node* node, Item* item, BOOL bInNodeOnly) const {
    if (item && item != node->pTail) return item->pNext;
    if (bInNodeOnly) return nullptr;
    for (Node* n = Successor(node); n; n = Successor(n)) {
      if (n->pHead) return n->pHead;
    }
    return nullptr;
  }

  virtual Item* PrevItem(Node* node, Item* item) const {
    if (item && item != node->pHead) return item->pPrev;
    for (Node* n = Predecessor(node); n; n = Predecessor(n)) {
      if (n->pTail) return n->pTail;
    }
    return nullptr;
  }

  virtual Item* NextItemDescending(Node* node, Item* item) const {
    if (item && item != node->pTail) return item->pNext;
    for (Node* n = Predecessor(node); n; n = Predecessor(n)) {
      if (n->pHead) return n->pHead;
    }
    return nullptr;
  }

  virtual V* GetValueAt(POSITION pos) const {
    Item* item = ToItem(pos);
    return item ? item->pValue : nullptr;
  }

  virtual K GetKeyAt(POSITION pos) const {
    Item* item = ToItem(pos);
    return item ? item->pNode->key : GetNullKey();
  }

  virtual int GetIndexOf(POSITION pos) const {
    Item* item = ToItem(pos);
    if (!item) return -1;
    Node* node = item->pNode;
    // 1-based rank of the node's last value, counted upwards through every
    // ancestor whose right subtree holds the node.
    int rank = node->nTotal - Total(node->pRight);
    for (Node* n = node; n->pParent; n = n->pParent) {
      if (n->pParent->pRight == n) rank += n->pParent->nTotal - n->nTotal;
    }
    for (Item* after = item->pNext; after; after = after->pNext) --rank;
    return rank - 1;
  }

  virtual V* Lookup(K key) const { return GetValueAt(FindKey(key)); }

  virtual POSITION FindIndex(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    const int target = index + 1;
    int limit = m_pRoot->nTotal;  // 1-based rank of the subtree's last value
    Node* n = m_pRoot;
    while (n) {
      const int upto = limit - Total(n->pRight);
      const int before = upto - n->nValues;
      if (before < target && target <= upto) {
        Item* item = n->pHead;
        for (int place = target - before; place > 1; --place) item = item->pNext;
        return ToPosition(item);
      }
      if (index < before) {
        limit = before;
        n = n->pLeft;
      } else {
        n = n->pRight;
      }
    }
    return nullptr;
  }

  virtual V* GetAt(int index) const { return GetValueAt(FindIndex(index)); }

  virtual POSITION FindKey(K key) const {
    Node* n = m_pRoot;
    while (n) {
      const int c = CompareKey(n->key, key);
      if (c == 0) return ToPosition(n->pHead);
      n = c > 0 ? n->pLeft : n->pRight;
    }
    return nullptr;
  }

  virtual V* LookupFloor(K key) const { return GetValueAt(FindFloor(key)); }

  // The nearest value at or below the key.
  virtual POSITION FindFloor(K key) const {
    Node* n = m_pRoot;
    while (n) {
      const int c = CompareKey(n->key, key);
      if (c == 0) return ToPosition(HeadOrBefore(n));
      if (c > 0) {
        if (!n->pLeft) return ToPosition(PrevItem(n, nullptr));
        n = n->pLeft;
      } else {
        if (!n->pRight) return ToPosition(HeadOrBefore(n));
        n = n->pRight;
      }
    }
    return nullptr;
  }

  // Children first, along the parent links, so no stack is needed.
  virtual void RemoveAll() {
    Node* n = m_pRoot;
    while (n) {
      if (n->pLeft) {
        n = n->pLeft;
        continue;
      }
      if (n->pRight) {
        n = n->pRight;
        continue;
      }
      Node* parent = n->pParent;
      if (!parent) m_pRoot = nullptr;
      else if (parent->pLeft == n) parent->pLeft = nullptr;
      else parent->pRight = nullptr;
      FreeItems(n);
      DeleteNode(n);
      n = parent;
    }
  }

  // Removes every value of the key; the node itself stays.
  virtual BOOL RemoveKey(K key) {
    Item* head = ToItem(FindKey(key));
    if (!head) return FALSE;
    Node* node = head->pNode;
    const int removed = node->nValues;
    FreeItems(node);
    for (Node* n = node; n; n = n->pParent) n->nTotal -= removed;
    node->nValues = 0;
    node->pHead = node->pTail = nullptr;
    return TRUE;
  }

  // The value just before the position (the last one for null): after
  // GetNext moved a position, the value GetNext returned.
  virtual BOOL RemovePrev(POSITION pos) {
    if (!pos) return RemoveAt(GetTailPosition());
    GetPrev(pos);
    return RemoveAt(pos);
  }

  // The value just after the position (the first one for null); pairs with GetPrev.
  virtual BOOL RemoveNext(POSITION pos) {
    if (!pos) return RemoveAt(GetHeadPosition());
    GetNext(pos);
    return RemoveAt(pos);
  }

  virtual BOOL RemoveAt(POSITION pos) {
    Item* item = ToItem(pos);
    if (!item) return FALSE;
    Node* node = item->pNode;
    if (item->pPrev) item->pPrev->pNext = item->pNext;
    else node->pHead = item->pNext;
    if (item->pNext) item->pNext->pPrev = item->pPrev;
    else node->pTail = item->pPrev;
    if (m_bAutoDelete && item->pValue) DeleteValue(item->pValue);
    DeleteItem(item);
    --node->nValues;
    for (Node* n = node; n; n = n->pParent) --n->nTotal;
    return TRUE;
  }

  virtual BOOL RemoveHead() { return RemoveAt(GetHeadPosition()); }
  virtual BOOL RemoveTail() { return RemoveAt(GetTailPosition()); }

  // Draws the tree on the debug output (one piece per call) and returns the
  // greatest depth, the root being depth 0. Without print it only measures.
  virtual int Dump(BOOL bPrint) const {
    auto emit = [bPrint](const std::wstring& text) {
      if (bPrint) WriteDebugOutput(text.c_str());
    };
    if (!m_pRoot) {
      emit(L"\u30ce\u30fc\u30c9\u306a\u3057\r\n");  // "no nodes"
      emit(L"MaxIndentCount = 1\r\n");
      return 0;
    }
    const std::wstring kBlank20(20, L' ');
    const std::wstring kBlank24(24, L' ');
    std::wstring prefix;
    int depth = 0;
    int deepest = 0;
    Node* n = m_pRoot;
    for (;;) {
      if (depth > deepest) deepest = depth;
      if (bPrint) emit(Label(n, depth));
      if (n->pLeft && n->pRight) {
        emit(L" +- ");
        prefix += kBlank20 + L" |  ";
        n = n->pLeft;
        ++depth;
        continue;
      }
      if (n->pLeft) {
        emit(L" -- ");
        prefix += kBlank24;
        n = n->pLeft;
        ++depth;
        continue;
      }
      if (n->pRight) {
        emit(L" +- \uff65 \r\n");
        emit(prefix + kBlank20 + L" |- ");
        prefix += kBlank24;
        n = n->pRight;
        ++depth;
        continue;
      }
      // A leaf: climb to the nearest left child whose parent has a right
      // subtree still to draw.
      while (n->pParent && (n->pParent->pRight == n || !n->pParent->pRight)) {
        prefix.erase(prefix.size() - 24);
        --depth;
        n = n->pParent;
      }
      emit(L"\r\n");
      if (!n->pParent) break;
      emit(prefix.substr(0, prefix.size() - 4) + L" |- ");
      prefix.replace(prefix.size() - 24, 24, kBlank24);
      n = n->pParent->pRight;
    }
    if (bPrint) {
      char line[48];
      std::snprintf(line, sizeof line, "MaxIndentCount = %d\r\n", deepest + 1);
      emit(std::wstring(line, line + std::char_traits<char>::length(line)));
    }
    return deepest;
  }

  // The first position at or after `start` (the first value for null) whose
  // stored pointer is `value`.
  virtual POSITION FindValue(const V* value, POSITION start = nullptr) const {
    Item* item = ToItem(start ? start : GetHeadPosition());
    while (item) {
      if (item->pValue == value) return ToPosition(item);
      item = NextItem(item->pNode, item, FALSE);
    }
    return nullptr;
  }

 protected:
  static Item* ToItem(POSITION pos) { return reinterpret_cast<Item*>(pos); }
  static POSITION ToPosition(Item* item) { return reinterpret_cast<POSITION>(item); }
  static int Size(const Node* n) { return n ? n->nNodes : 0; }
  static int Total(const Node* n) { return n ? n->nTotal : 0; }

  static Node* Successor(Node* n) {
    if (n->pRight) {
      n = n->pRight;
      while (n->pLeft) n = n->pLeft;
      return n;
    }
    while (n->pParent && n->pParent->pRight == n) n = n->pParent;
    return n->pParent;
  }

  static Node* Predecessor(Node* n) {
    if (n->pLeft) {
      n = n->pLeft;
      while (n->pRight) n = n->pRight;
      return n;
    }
    while (n->pParent && n->pParent->pLeft == n) n = n->pParent;
    return n->pParent;
  }

  Node* Rightmost() const {
    Node* n = m_pRoot;
    while (n && n->pRight) n = n->pRight;
    return n;
  }

  // An emptied node has no value of its own: the floor is then the last value
  // of the nearest smaller key.
  Item* HeadOrBefore(Node* n) const { return n->pHead ? n->pHead : PrevItem(n, nullptr); }

  // Frees a node's items head to tail, each owned value first. Counters are
  // the caller's business.
  void FreeItems(Node* node) {
    Item* item = node->pHead;
    while (item) {
      Item* next = item->pNext;
      if (m_bAutoDelete && item->pValue) DeleteValue(item->pValue);
      DeleteItem(item);
      item = next;
    }
  }

  // The right end of the walk at `end`: the new node either hangs under it or
  // takes the place of the pivot's whole subtree, the pivot becoming its
  // left child.
  BOOL AttachAtRightEnd(Node* end, Node* pivot, K key, V* value) {
    if (Size(pivot->pLeft) > Size(pivot->pRight)) {
      Node* node = CreateNode(end, key, value);
      if (!node) return FALSE;
      end->pRight = node;
      return TRUE;
    }
    Node* node = CreateNode(pivot->pParent, key, value);
    if (!node) return FALSE;
    node->pLeft = pivot;
    Replace(pivot, node);
    return TRUE;
  }

  // The mirror image at the left end.
  BOOL AttachAtLeftEnd(Node* end, Node* pivot, K key, V* value) {
    if (Size(pivot->pLeft) < Size(pivot->pRight)) {
      Node* node = CreateNode(end, key, value);
      if (!node) return FALSE;
      end->pLeft = node;
      return TRUE;
    }
    Node* node = CreateNode(pivot->pParent, key, value);
    if (!node) return FALSE;
    node->pRight = pivot;
    Replace(pivot, node);
    return TRUE;
  }

  // `node` (already a child of `pivot`) takes the pivot's place.
  void Replace(Node* pivot, Node* node) {
    Node* parent = pivot->pParent;
    pivot->pParent = node;
    node->nNodes += pivot->nNodes;
    node->nTotal += pivot->nTotal;
    if (!parent) m_pRoot = node;
    else if (parent->pLeft == pivot) parent->pLeft = node;
    else parent->pRight = node;
  }

  std::wstring Label(const Node* n, int depth) const {
    char label[64];
    std::snprintf(label, sizeof label, "(%02d)[%5d](%3d/%3d)", depth,
                  multimap_detail::KeyWord(n->key), n->nValues, n->nTotal);
    return std::wstring(label, label + std::char_traits<char>::length(label));
  }

  BOOL m_bAutoDelete;
  Node* m_pRoot;
};

// Text keys: each node holds its own C-heap copy of the key, compared
// ordinally as UTF-16 code units.
template <class V>
class CMultiMapStringKey : public CMultiMapBase<const wchar_t*, V> {
  typedef CMultiMapBase<const wchar_t*, V> Base;

 public:
  typedef typename Base::Node Node;
  typedef typename Base::Item Item;

  explicit CMultiMapStringKey(BOOL bAutoDelete = TRUE) : Base(bAutoDelete) {}
  ~CMultiMapStringKey() override { this->RemoveAll(); }

  Item* NewItem() override { return static_cast<Item*>(std::calloc(1, sizeof(Item))); }

  Node* NewNode(const wchar_t* key) override {
    auto* node = static_cast<Node*>(std::calloc(1, sizeof(Node)));
    if (!node) return nullptr;
    wchar_t* copy = multimap_detail::DuplicateText(key);
    if (!copy) {
      std::free(node);
      return nullptr;
    }
    node->key = copy;
    return node;
  }

  void DeleteItem(Item* item) override { std::free(item); }

  void DeleteNode(Node* node) override {
    std::free(const_cast<wchar_t*>(node->key));
    std::free(node);
  }

  void DeleteValue(V* value) override { multimap_detail::ReleaseValue(value); }

  int CompareKey(const wchar_t* a, const wchar_t* b) const override {
    return multimap_detail::CompareText(a, b);
  }

  const wchar_t* GetNullKey() const override { return L""; }

  using Base::GetNext;
  using Base::GetNextInNode;
  using Base::GetPrev;

  // The walks with the key delivered as a string (assigned only when a
  // string is given and the position was not null).
  virtual V* GetNext(POSITION& pos, std::wstring* pKey) const {
    const wchar_t* key = nullptr;
    V* value = Base::GetNext(pos, &key);
    if (pKey && key) *pKey = key;
    return value;
  }

  virtual V* GetPrev(POSITION& pos, std::wstring* pKey) const {
    const wchar_t* key = nullptr;
    V* value = Base::GetPrev(pos, &key);
    if (pKey && key) *pKey = key;
    return value;
  }

  virtual V* GetNextInNode(POSITION& pos, std::wstring* pKey) const {
    const wchar_t* key = nullptr;
    V* value = Base::GetNextInNode(pos, &key);
    if (pKey && key) *pKey = key;
    return value;
  }

  // Adds every pair of `other` in ascending order, sharing the value
  // pointers; refused when `other` owns its values, since both maps would
  // then free them.
  virtual BOOL AddMap(const CMultiMapStringKey<V>& other) {
    if (other.IsAutoDelete()) return FALSE;
    if (&other == this) return AddSnapshot(other);
    POSITION pos = other.GetHeadPosition();
    while (pos) {
      const wchar_t* key = nullptr;
      V* value = other.Base::GetNext(pos, &key);
      if (!this->Add(key, value)) return FALSE;
    }
    return TRUE;
  }

 protected:
  // Adding a map to itself would walk into the values it adds: take the
  // pairs first.
  BOOL AddSnapshot(const CMultiMapStringKey<V>& other) {
    std::vector<std::pair<std::wstring, V*>> pairs;
    POSITION pos = other.GetHeadPosition();
    while (pos) {
      const wchar_t* key = nullptr;
      V* value = other.Base::GetNext(pos, &key);
      pairs.emplace_back(key, value);
    }
    for (const auto& pair : pairs) {
      if (!this->Add(pair.first.c_str(), pair.second)) return FALSE;
    }
    return TRUE;
  }
};

// Text key to text value; every value text is copied on insertion, so the
// map always owns what it holds (with auto-delete on, as the program uses it).
class CMultiStringMapStringKey : public CMultiMapStringKey<const wchar_t> {
 public:
  explicit CMultiStringMapStringKey(BOOL bAutoDelete = TRUE);
  ~CMultiStringMapStringKey() override;

  // Stores a C-heap copy of `value` (null counts as the empty text).
  BOOL AddToNode(Node* node, const wchar_t* value, BOOL bAfter, Item* pRef) override;

  // Adds (copies) every pair of `other` in ascending order.
  virtual BOOL AddStringMap(const CMultiStringMapStringKey& other);
};

// Only the integer-key form of the generic map exists.
template <class K, class V>
class CMultiMap;

template <class V>
class CMultiMap<int, V> : public CMultiMapBase<int, V> {
  typedef CMultiMapBase<int, V> Base;

 public:
  typedef typename Base::Node Node;
  typedef typename Base::Item Item;

  explicit CMultiMap(BOOL bAutoDelete = TRUE) : Base(bAutoDelete) {}
  ~CMultiMap() override { this->RemoveAll(); }

  Item* NewItem() override { return static_cast<Item*>(std::calloc(1, sizeof(Item))); }

  Node* NewNode(int key) override {
    auto* node = static_cast<Node*>(std::calloc(1, sizeof(Node)));
    if (node) node->key = key;
    return node;
  }

  void DeleteItem(Item* item) override { std::free(item); }
  void DeleteNode(Node* node) override { std::free(node); }
  void DeleteValue(V* value) override { multimap_detail::ReleaseValue(value); }

  int CompareKey(int a, int b) const override { return a < b ? -1 : (a > b ? 1 : 0); }

  int GetNullKey() const override { return 0; }
};
