#include "base/multi_map.h"

#include <cstring>
#include <cwchar>

namespace multimap_detail {

namespace {

// Reads a wide text as UTF-16 code units, splitting characters above U+FFFF
// into surrogate pairs where wchar_t is wider than 16 bits. Gives 0 at the end.
class Utf16Units {
 public:
  explicit Utf16Units(const wchar_t* text) : p_(text ? text : L"") {}

  std::uint32_t Next() {
    if (low_) {
      const std::uint32_t unit = low_;
      low_ = 0;
      return unit;
    }
    std::uint32_t c = static_cast<std::uint32_t>(*p_);
    if (c == 0) return 0;
    ++p_;
    if (c > 0xFFFF) {
      c -= 0x10000;
      low_ = 0xDC00 | (c & 0x3FF);
      return 0xD800 | ((c >> 10) & 0x3FF);
    }
    return c;
  }

 private:
  const wchar_t* p_;
  std::uint32_t low_ = 0;
};

}  // namespace

int CompareText(const wchar_t* a, const wchar_t* b) {
  Utf16Units ua(a);
  Utf16Units ub(b);
  for (;;) {
    const std::uint32_t x = ua.Next();
    const std::uint32_t y = ub.Next();
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

wchar_t* DuplicateText(const wchar_t* text) {
  if (!text) text = L"";
  const std::size_t size = (std::wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(std::malloc(size));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

}  // namespace multimap_detail

CMultiStringMapStringKey::CMultiStringMapStringKey(BOOL bAutoDelete)
    : CMultiMapStringKey<const wchar_t>(bAutoDelete) {}

CMultiStringMapStringKey::~CMultiStringMapStringKey() { RemoveAll(); }

BOOL CMultiStringMapStringKey::AddToNode(Node* node, const wchar_t* value, BOOL bAfter,
                                         Item* pRef) {
  wchar_t* copy = multimap_detail::DuplicateText(value);
  if (!copy) return FALSE;
  if (!CMultiMapStringKey<const wchar_t>::AddToNode(node, copy, bAfter, pRef)) {
    std::free(copy);
    return FALSE;
  }
  return TRUE;
}

BOOL CMultiStringMapStringKey::AddStringMap(const CMultiStringMapStringKey& other) {
  if (&other == this) return AddSnapshot(other);
  POSITION pos = other.GetHeadPosition();
  while (pos) {
    const wchar_t* key = nullptr;
    const wchar_t* value = other.GetNext(pos, &key);
    if (!Add(key, value)) return FALSE;
  }
  return TRUE;
}
