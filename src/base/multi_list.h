#pragma once
// Sequences kept in the integer-keyed multi-map: keys are sequence numbers,
// so the map's ascending order is the list order and index access is the
// map's index arithmetic. Appending takes the last key plus one, which keeps
// the tree perfectly balanced.

#include <climits>
#include <list>
#include <string>

#include "base/multi_map.h"

template <class V>
class CMultiList : public CMultiMap<int, V> {
  typedef CMultiMap<int, V> Base;

 public:
  typedef typename Base::Node Node;
  typedef typename Base::Item Item;

  explicit CMultiList(BOOL bAutoDelete = TRUE) : Base(bAutoDelete) {}
  ~CMultiList() override { this->RemoveAll(); }

  // Under the key of the last value + 1 (key 1 for an empty list). FALSE
  // when the keys are exhausted.
  virtual BOOL AddTail(V* value) {
    int key = 1;
    POSITION pos = this->GetTailPosition();
    if (pos) {
      int last = 0;
      this->GetPrev(pos, &last);
      if (last == INT_MAX) return FALSE;
      key = last + 1;
    }
    return this->Add(key, value);
  }

  // Under the key of the first value - 1 (key -1 for an empty list).
  virtual BOOL AddHead(V* value) {
    int key = -1;
    POSITION pos = this->GetHeadPosition();
    if (pos) {
      int first = 0;
      this->GetNext(pos, &first);
      if (first == INT_MIN) return FALSE;
      key = first - 1;
    }
    return this->Add(key, value);
  }

  // The new value shares the key of the position and follows (precedes) it.
  virtual BOOL InsertAfter(POSITION pos, V* value) {
    Item* item = this->ToItem(pos);
    if (!item) return FALSE;
    return this->AddToNode(item->pNode, value, TRUE, item);
  }

  virtual BOOL InsertBefore(POSITION pos, V* value) {
    Item* item = this->ToItem(pos);
    if (!item) return FALSE;
    return this->AddToNode(item->pNode, value, FALSE, item);
  }

  // Appends the values of `other` in order, sharing the pointers; refused
  // when `other` owns its values, since both lists would then free them.
  virtual BOOL AddList(const CMultiList<V>& other) {
    if (other.IsAutoDelete()) return FALSE;
    // Counted, so that a list appended to itself ends after its own values.
    int left = other.GetCount();
    POSITION pos = other.GetHeadPosition();
    while (pos && left-- > 0) {
      if (!AddTail(other.GetNext(pos))) return FALSE;
    }
    return TRUE;
  }

  // Keys become 1, 2, 3 ... in the current order.
  virtual BOOL Renumber() {
    CMultiList<V> numbered(TRUE);
    POSITION pos = this->GetHeadPosition();
    while (pos) {
      if (!numbered.AddTail(this->GetNext(pos))) {
        numbered.SetAutoDelete(FALSE);  // the values are still ours
        return FALSE;
      }
    }
    TakeTree(numbered);
    return TRUE;
  }

  // Order reversed under keys 1, 2, 3 ... The values move as they are: the
  // reversed tree is taken over whole, so copying lists do not copy them
  // again (which would lose the originals).
  virtual BOOL Reverse() {
    CMultiList<V> reversed(FALSE);
    POSITION pos = this->GetTailPosition();
    while (pos) {
      if (!reversed.AddTail(this->GetPrev(pos))) return FALSE;
    }
    TakeTree(reversed);
    return TRUE;
  }

 protected:
  // Drops this list's nodes and items (not its values) and adopts the tree of
  // `other`, which is left empty.
  void TakeTree(CMultiList<V>& other) {
    const BOOL owner = this->m_bAutoDelete;
    this->m_bAutoDelete = FALSE;
    this->RemoveAll();
    this->m_bAutoDelete = owner;
    this->m_pRoot = other.m_pRoot;
    other.m_pRoot = nullptr;
  }
};

// A list of texts. Every text added is copied into a C-heap block the list
// owns, unless the no-copy switch is on, in which case the list takes over
// the given block.
class CMultiStringList : public CMultiList<const wchar_t> {
 public:
  explicit CMultiStringList(BOOL bAutoDelete = TRUE);
  ~CMultiStringList() override;

  BOOL AddToNode(Node* node, const wchar_t* value, BOOL bAfter, Item* pRef) override;
  // Compares texts (ordinally) instead of pointers.
  POSITION FindValue(const wchar_t* value, POSITION start = nullptr) const override;

  virtual CMultiStringList& Append(const CMultiStringList& other);
  virtual void SetNoCopy();
  virtual void ResetNoCopy();
  virtual BOOL IsNoCopy() const;
  virtual void FreeText(const wchar_t* text);

  // Appends the fields of one comma-separated-style line (quotes group, are
  // unwrapped and un-doubled; fields are trimmed) and returns GetCount; 0 when
  // a field cannot be allocated, the fields added before staying.
  virtual int SplitCsv(const wchar_t* line, wchar_t separator);
  // Every text quoted, quotes doubled, comma-separated.
  virtual std::wstring JoinCsv() const;
  // The plain split: no quotes, no trimming; returns GetCount.
  virtual int Split(const wchar_t* text, wchar_t separator);

  virtual int GetSize() const;
  virtual std::wstring GetItemText(int index) const;
  virtual std::wstring GetTextAt(int index) const;
  virtual BOOL AddText(const wchar_t* text);
  virtual BOOL AddStringList(const std::list<std::wstring>& strings);
  virtual BOOL AddFrom(const CMultiStringList& other, int start);
  virtual BOOL SetTextAt(int index, const wchar_t* text);
  virtual BOOL RemoveText(const wchar_t* text);
  // A new map (auto-delete on) from each text to its indexes; the caller
  // deletes it. Null when it cannot be built.
  virtual CMultiMapStringKey<int>* CreateIndexMap() const;

 protected:
  // Adds a field text through a block of its own that the list takes over.
  BOOL AddOwnedText(const wchar_t* text, std::size_t length);

  BOOL m_bNoCopy;
};
