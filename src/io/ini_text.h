#pragma once
// The text half of the cached-mode INI file: how one read line changes the
// entry map, and which lines a whole map is written as. No Windows calls, so
// the file grammar is exercised natively as well; CMultiIniFile only moves
// the lines between these rules and the file.

#include <functional>
#include <string>

#include "base/multi_map.h"

namespace io {

// One line as the loader reads it, its line end already removed: trailing
// white space goes, then an empty line or a comment (":" or ";" first) is
// skipped; "[name]" makes `name` the current section; "key=value" in a
// current section adds the value (one pair of enclosing double quotes
// removed) under the entry key section=key. Malformed lines are skipped.
void ReadIniLine(std::wstring line, std::wstring& section, CMultiStringMapStringKey& entries);

// Hands `write_line` every line of the file for `entries`, without line
// ends, in map order: a section line before the first key of each section,
// values quoted where a load would otherwise change them. False, after the
// lines already handed out, for an entry key that names no section.
bool ComposeIniLines(const CMultiStringMapStringKey& entries,
                     const std::function<void(const std::wstring&)>& write_line);

}  // namespace io
