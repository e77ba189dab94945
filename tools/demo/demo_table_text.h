#pragma once
// The demo's table: readings of the PC side by side (before the run, after
// it, after the restart), each row of a later reading checked against what
// the setup run should have made of it.
//
// A reading is what the demo driver printed: one "label<TAB>value" a line,
// UTF-8, in the order to show. Anything can be wrong with it (a driver that
// died half-way, a line without a tab, bytes that are not UTF-8, Wine's CR LF):
// a line without a tab is kept as a label with an empty value, bad bytes are
// shown as they are and count one column each, and a row missing from one
// reading shows as "(none)". Nothing here touches files or Windows.

#include <string>
#include <utility>
#include <vector>

namespace demo {

using Reading = std::vector<std::pair<std::string, std::string>>;

Reading ParseReading(const std::string& text);
// The value of the first row with this label; null when there is none.
const std::string* FindRow(const Reading& reading, const std::string& label);

// Columns a UTF-8 text takes in a terminal: East Asian wide and full-width
// characters two, half-width katakana and everything else one.
int DisplayWidth(const std::string& text);
// The text cut into pieces of at most `width` columns (at least one piece,
// never a UTF-8 sequence split; a wide character alone wider than the width
// still gets a piece of its own).
std::vector<std::string> WrapToWidth(const std::string& text, int width);

// What a row of a reading should look like:
//   "= text"   the value is exactly text
//   "changed"  the value differs from the first reading's (before the run)
//   "same"     the value equals the first reading's
// A label without an expectation is shown and not judged.
struct Expectation {
  std::string label;
  std::string rule;
};
std::vector<Expectation> ParseExpectations(const std::string& text);

struct Table {
  std::string text;                   // ready to print, ends with a line feed
  std::vector<std::string> failures;  // one sentence per row that is not as expected
};

// One column of the table: its heading, the reading, and what its rows
// should be (none for the first).
struct Column {
  std::string title;
  Reading reading;
  std::vector<Expectation> expectations;
};

// Rows in the first reading's order, then those only later readings have.
// Rows where a later reading differs from the first are marked "*", rows
// that break an expectation "!"; each failure names the row and the column.
// `width` is the whole line's width in columns (at least 60 is used).
Table FormatColumns(const std::vector<Column>& columns, int width);

// The two-column case: "before" and "after", the expectations on "after".
Table FormatBeforeAfter(const Reading& before, const Reading& after,
                        const std::vector<Expectation>& expectations, int width);

}  // namespace demo
