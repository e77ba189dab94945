// The string list's splits over any text: the quoted join read back gives
// the same texts, the plain split drops exactly the separators, and neither
// reads beyond the text.

#include <vector>

#include "base/multi_list.h"
#include "fuzz_support.h"

namespace {

std::vector<std::wstring> Texts(const CMultiStringList& list) {
  std::vector<std::wstring> texts;
  POSITION pos = list.GetHeadPosition();
  while (pos) texts.push_back(list.GetNext(pos));
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  // Mostly the separators the program uses, sometimes any character.
  const wchar_t kSeparators[] = {L',', L';', L'\t', L'"'};
  const wchar_t separator = choice & 4 ? static_cast<wchar_t>(input.Unit()) : kSeparators[choice & 3];
  const std::wstring whole = input.RestWide();
  const std::wstring text = whole.substr(0, whole.find(L'\0'));

  // Plain split: the pieces are the text between separators, empty ones
  // dropped except a leading one.
  CMultiStringList plain;
  const int n = plain.Split(text.c_str(), separator);
  FUZZ_CHECK(n == plain.GetCount());
  std::vector<std::wstring> expected;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size() && !text.empty(); ++i) {
    if (i < text.size() && text[i] != separator) continue;
    if (i == 0 || i > start) expected.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  FUZZ_CHECK(Texts(plain) == expected);

  // Quoted split, then the join of what it gave read back the same.
  CMultiStringList fields;
  fields.SplitCsv(text.c_str(), separator);
  const std::vector<std::wstring> split = Texts(fields);
  const std::wstring joined = fields.JoinCsv();
  CMultiStringList again;
  again.SplitCsv(joined.c_str(), L',');
  FUZZ_CHECK(Texts(again) == split);

  // Any list of texts survives the join and the split: the fields of the
  // text taken as the list's items.
  CMultiStringList items;
  for (const std::wstring& piece : expected) FUZZ_CHECK(items.AddText(piece.c_str()));
  CMultiStringList reread;
  reread.SplitCsv(items.JoinCsv().c_str(), L',');
  FUZZ_CHECK(Texts(reread) == expected);
  return 0;
}
