#pragma once
// The send-box settings file as text: its section and keys, and the one rule
// for how a value is written so that the private-profile reader gives back
// exactly what was typed. No Windows calls, so the rule is exercised natively
// as well; send_box_settings.h moves the values to and from the file.

#include <string>

namespace sysops {

// "VarnelDriveTerminalSend.ini" (product_paths.h), read by the terminal
// program: [MAIN] with ID, PASS and GROUP.
inline constexpr wchar_t kSendBoxSection[] = L"MAIN";
inline constexpr wchar_t kSendBoxIdKey[] = L"ID";
inline constexpr wchar_t kSendBoxPasswordKey[] = L"PASS";
inline constexpr wchar_t kProcessGroupKey[] = L"GROUP";

// The three values, as typed or as read back.
struct SendBoxSettings {
  std::wstring id;
  std::wstring password;
  std::wstring group;
};

// A value as it is written into the settings file. The private-profile
// reader drops blanks (space, tab) around a value and then one pair of
// matching quotes (double or single) around it, so a value beginning or
// ending with a blank, or enclosed in quotes of one kind, is written inside
// double quotes. Every other value is written as it is, byte for byte what
// the file has always held.
std::wstring QuoteForProfile(const std::wstring& value);

// What the private-profile reader gives back for a value written as
// `stored`: the reader's half of the rule above, so that a round trip can be
// judged without Windows. UnquoteFromProfile(QuoteForProfile(v)) == v for
// every value without a line end.
std::wstring UnquoteFromProfile(const std::wstring& stored);

}  // namespace sysops
