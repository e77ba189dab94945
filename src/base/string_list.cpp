#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

#include "base/multi_list.h"

namespace {

bool IsBlank(wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n' || c == L' '; }

std::size_t TextLength(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

}  // namespace

CMultiStringList::CMultiStringList(BOOL bAutoDelete)
    : CMultiList<const wchar_t>(bAutoDelete), m_bNoCopy(FALSE) {}

CMultiStringList::~CMultiStringList() { RemoveAll(); }

BOOL CMultiStringList::AddToNode(Node* node, const wchar_t* value, BOOL bAfter, Item* pRef) {
  if (m_bNoCopy) return CMultiList<const wchar_t>::AddToNode(node, value, bAfter, pRef);
  wchar_t* copy = multimap_detail::DuplicateText(value);
  if (!copy) return FALSE;
  if (!CMultiList<const wchar_t>::AddToNode(node, copy, bAfter, pRef)) {
    std::free(copy);
    return FALSE;
  }
  return TRUE;
}

POSITION CMultiStringList::FindValue(const wchar_t* value, POSITION start) const {
  Item* item = ToItem(start ? start : GetHeadPosition());
  while (item) {
    if (multimap_detail::CompareText(item->pValue, value) == 0) return ToPosition(item);
    item = NextItem(item->pNode, item, FALSE);
  }
  return nullptr;
}

CMultiStringList& CMultiStringList::Append(const CMultiStringList& other) {
  AddFrom(other, 0);
  return *this;
}

void CMultiStringList::SetNoCopy() { m_bNoCopy = TRUE; }

void CMultiStringList::ResetNoCopy() { m_bNoCopy = FALSE; }

BOOL CMultiStringList::IsNoCopy() const { return m_bNoCopy; }

void CMultiStringList::FreeText(const wchar_t* text) { std::free(const_cast<wchar_t*>(text)); }

BOOL CMultiStringList::AddOwnedText(const wchar_t* text, std::size_t length) {
  auto* block = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
  if (!block) return FALSE;
  if (length > 0) std::memcpy(block, text, length * sizeof(wchar_t));
  block[length] = L'\0';
  SetNoCopy();
  const BOOL added = AddTail(block);
  ResetNoCopy();
  if (!added) std::free(block);
  return added;
}

int CMultiStringList::SplitCsv(const wchar_t* line, wchar_t separator) {
  const std::size_t length = TextLength(line);
  if (length == 0) return 0;
  bool in_quotes = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    if (i < length) {
      if (line[i] == L'"') {
        in_quotes = !in_quotes;
        continue;
      }
      if (in_quotes || line[i] != separator) continue;
    } else if (in_quotes) {
      break;  // an unclosed quote: the last field is not taken
    }
    std::size_t first = start;
    std::size_t end = i;
    while (first < end && IsBlank(line[first])) ++first;
    while (end > first && IsBlank(line[end - 1])) --end;
    BOOL added;
    if (end - first >= 2 && line[first] == L'"' && line[end - 1] == L'"') {
      std::wstring field;
      for (std::size_t j = first + 1; j < end - 1; ++j) {
        field.push_back(line[j]);
        if (line[j] == L'"' && j + 1 < end - 1 && line[j + 1] == L'"') ++j;
      }
      added = AddOwnedText(field.c_str(), field.size());
    } else {
      added = AddOwnedText(line + first, end - first);
    }
    if (!added) return 0;
    start = i + 1;
  }
  return GetCount();
}

std::wstring CMultiStringList::JoinCsv() const {
  std::wstring line;
  POSITION pos = GetHeadPosition();
  while (pos) {
    const wchar_t* text = GetNext(pos);
    line.push_back(L'"');
    for (const wchar_t* p = text ? text : L""; *p; ++p) {
      if (*p == L'"') line.push_back(L'"');
      line.push_back(*p);
    }
    line += L"\",";
  }
  if (!line.empty()) line.pop_back();
  return line;
}

int CMultiStringList::Split(const wchar_t* text, wchar_t separator) {
  const std::size_t length = TextLength(text);
  if (length == 0) return 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    if (i < length && text[i] != separator) continue;
    // Only a leading separator yields an empty field; other empty fields
    // are dropped.
    if (i == 0 || i > start) {
      if (!AddOwnedText(text + start, i - start)) return 0;
    }
    start = i + 1;
  }
  return GetCount();
}

int CMultiStringList::GetSize() const { return GetCount(); }

std::wstring CMultiStringList::GetItemText(int index) const { return GetTextAt(index); }

std::wstring CMultiStringList::GetTextAt(int index) const {
  const wchar_t* text = GetValueAt(FindIndex(index));
  return text ? std::wstring(text) : std::wstring();
}

BOOL CMultiStringList::AddText(const wchar_t* text) { return AddTail(text); }

BOOL CMultiStringList::AddStringList(const std::list<std::wstring>& strings) {
  for (const std::wstring& text : strings) {
    if (!AddText(text.c_str())) return FALSE;
  }
  return TRUE;
}

BOOL CMultiStringList::AddFrom(const CMultiStringList& other, int start) {
  // Counted, so that a list appended to itself ends after its own texts.
  int left = other.GetCount() - start;
  POSITION pos = other.FindIndex(start);
  while (pos && left-- > 0) {
    if (!AddTail(other.GetNext(pos))) return FALSE;
  }
  return TRUE;
}

BOOL CMultiStringList::SetTextAt(int index, const wchar_t* text) {
  Item* item = ToItem(FindIndex(index));
  if (!item) return FALSE;
  wchar_t* copy = multimap_detail::DuplicateText(text);
  if (!copy) return FALSE;
  const wchar_t* previous = item->pValue;
  item->pValue = copy;
  FreeText(previous);
  return TRUE;
}

BOOL CMultiStringList::RemoveText(const wchar_t* text) {
  BOOL removed = FALSE;
  POSITION pos = FindValue(text, nullptr);
  while (pos) {
    POSITION next = pos;
    GetNext(next);
    RemoveAt(pos);
    removed = TRUE;
    pos = next ? FindValue(text, next) : nullptr;
  }
  return removed;
}

CMultiMapStringKey<int>* CMultiStringList::CreateIndexMap() const {
  auto* map = new (std::nothrow) CMultiMapStringKey<int>(TRUE);
  if (!map) return nullptr;
  int index = 0;
  POSITION pos = GetHeadPosition();
  while (pos) {
    const wchar_t* text = GetNext(pos);
    int* value = new (std::nothrow) int(index++);
    if (!value || !map->Add(text, value)) {
      delete value;
      delete map;
      return nullptr;
    }
  }
  return map;
}
