#pragma once
// The values the send-box settings file must give back exactly as typed, with
// the text each is stored as. One table for the rule as text (natively) and
// for the round trip through the real profile functions (under Wine).

#include <string>

namespace sysops_test {

struct SendBoxValue {
  const wchar_t* typed;
  const wchar_t* stored;  // what follows "KEY=" in the file
};

inline constexpr SendBoxValue kSendBoxValues[] = {
    // Written as they are: what the file has always held.
    {L"", L""},
    {L"BOX-001", L"BOX-001"},
    {L"a b", L"a b"},
    {L"a=b", L"a=b"},
    {L"=", L"="},
    {L"a;b", L"a;b"},
    {L";a", L";a"},
    {L"\"", L"\""},
    {L"'", L"'"},
    {L"\"a", L"\"a"},
    {L"a\"", L"a\""},
    {L"\"a'", L"\"a'"},
    {L"a\"b\"c", L"a\"b\"c"},
    {L"パス　ワード", L"パス　ワード"},
    {L"ＢＯＸ－００１", L"ＢＯＸ－００１"},
    // Blanks around or quotes of one kind around: inside double quotes.
    {L" a", L"\" a\""},
    {L"a ", L"\"a \""},
    {L"\ta", L"\"\ta\""},
    {L" ", L"\" \""},
    {L"  パス  ", L"\"  パス  \""},
    {L"\"a\"", L"\"\"a\"\""},
    {L"'a'", L"\"'a'\""},
    {L"\"\"", L"\"\"\"\""},
    {L" \"a\" ", L"\" \"a\" \""},
};

}  // namespace sysops_test
