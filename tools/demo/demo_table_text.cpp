#include "demo_table_text.h"

#include <algorithm>
#include <cstdint>

namespace demo {
namespace {

const char kNone[] = "(none)";

// The code point at `i` and the bytes it takes; -1 and one byte for anything
// that is not a well-formed, shortest-form UTF-8 sequence.
std::pair<std::int32_t, std::size_t> CodePointAt(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  std::int32_t cp = 0;
  std::int32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, least = 0x10000;
  } else {
    return {-1, 1};
  }
  if (i + length > text.size()) return {-1, 1};
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {-1, 1};
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {-1, 1};
  return {cp, length};
}

int CodePointWidth(std::int32_t cp) {
  struct Range {
    std::int32_t first, last;
  };
  // East Asian Wide and Fullwidth blocks; the half-width forms FF61-FFDC
  // lie between two of them and stay narrow.
  static const Range kWide[] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF}, {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
      {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
      {0x20000, 0x3FFFD},
  };
  for (const Range& r : kWide) {
    if (cp >= r.first && cp <= r.last) return 2;
  }
  return 1;
}

std::string Pad(const std::string& text, int width) {
  return text + std::string(static_cast<std::size_t>(std::max(0, width - DisplayWidth(text))), ' ');
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

const Expectation* FindExpectation(const std::vector<Expectation>& all, const std::string& label) {
  for (const Expectation& e : all) {
    if (e.label == label) return &e;
  }
  return nullptr;
}

// The failure sentence for a row of column `title`, empty when the row is as
// expected.
std::string Judge(const Expectation& e, const std::string& title, const std::string& first,
                  const std::string& value) {
  const std::string where = e.label + " (" + title + "): ";
  if (e.rule.rfind("= ", 0) == 0) {
    const std::string wanted = e.rule.substr(2);
    if (value == wanted) return std::string();
    return where + "expected \"" + wanted + "\", found \"" + value + "\"";
  }
  if (e.rule == "changed") {
    if (value != first) return std::string();
    return where + "expected a change, still \"" + value + "\"";
  }
  if (e.rule == "same") {
    if (value == first) return std::string();
    return where + "expected no change, \"" + first + "\" became \"" + value + "\"";
  }
  return where + "unknown expectation \"" + e.rule + "\"";
}

}  // namespace

Reading ParseReading(const std::string& text) {
  Reading rows;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      rows.emplace_back(line, std::string());
    } else {
      rows.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
  }
  return rows;
}

const std::string* FindRow(const Reading& reading, const std::string& label) {
  for (const auto& row : reading) {
    if (row.first == label) return &row.second;
  }
  return nullptr;
}

int DisplayWidth(const std::string& text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto [cp, length] = CodePointAt(text, i);
    width += cp < 0 ? 1 : CodePointWidth(cp);
    i += length;
  }
  return width;
}

std::vector<std::string> WrapToWidth(const std::string& text, int width) {
  std::vector<std::string> pieces(1);
  int used = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto [cp, length] = CodePointAt(text, i);
    const int w = cp < 0 ? 1 : CodePointWidth(cp);
    if (used > 0 && used + w > width) {
      pieces.emplace_back();
      used = 0;
    }
    pieces.back() += text.substr(i, length);
    used += w;
    i += length;
  }
  return pieces;
}

std::vector<Expectation> ParseExpectations(const std::string& text) {
  std::vector<Expectation> all;
  for (const auto& [label, rule] : ParseReading(text)) all.push_back({label, rule});
  return all;
}

Table FormatColumns(const std::vector<Column>& columns, int width) {
  std::vector<std::string> labels;
  for (const Column& column : columns) {
    for (const auto& row : column.reading) {
      if (std::find(labels.begin(), labels.end(), row.first) == labels.end()) {
        labels.push_back(row.first);
      }
    }
  }
  const int n = std::max<int>(1, static_cast<int>(columns.size()));
  width = std::max(width, 60);
  int labelWidth = 2;
  for (const std::string& label : labels) labelWidth = std::max(labelWidth, DisplayWidth(label));
  labelWidth = std::min(labelWidth, width / 3);
  // "m label | v1 | v2 ...": two columns for the mark, a separator before each value.
  const int valueWidth = std::max(8, (width - 2 - labelWidth - 3 * n) / n);

  Table table;
  const auto addLine = [&](const std::string& mark, const std::string& label,
                           const std::vector<std::string>& values) {
    std::string line = Pad(mark, 2) + Pad(label, labelWidth);
    for (std::size_t i = 0; i < values.size(); ++i) {
      line += " | " + (i + 1 < values.size() ? Pad(values[i], valueWidth) : values[i]);
    }
    table.text += TrimRight(line) + "\n";
  };
  std::vector<std::string> titles;
  for (const Column& column : columns) titles.push_back(column.title);
  addLine("", "", titles);
  table.text += std::string(static_cast<std::size_t>(2 + labelWidth + n * (3 + valueWidth)), '-') +
                "\n";
  for (const std::string& label : labels) {
    std::vector<std::string> values;
    for (const Column& column : columns) {
      const std::string* v = FindRow(column.reading, label);
      values.push_back(v ? *v : kNone);
    }
    std::string mark;
    for (const std::string& v : values) {
      if (v != values.front()) mark = "*";
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const Expectation* e = FindExpectation(columns[i].expectations, label);
      if (!e) continue;
      std::string failure = Judge(*e, columns[i].title, values.front(), values[i]);
      if (!failure.empty()) {
        mark = "!";
        table.failures.push_back(std::move(failure));
      }
    }
    std::vector<std::vector<std::string>> pieces = {WrapToWidth(label, labelWidth)};
    for (const std::string& v : values) pieces.push_back(WrapToWidth(v, valueWidth));
    std::size_t lines = 0;
    for (const auto& p : pieces) lines = std::max(lines, p.size());
    for (std::size_t l = 0; l < lines; ++l) {
      std::vector<std::string> cells;
      for (std::size_t c = 1; c < pieces.size(); ++c) {
        cells.push_back(l < pieces[c].size() ? pieces[c][l] : "");
      }
      addLine(l == 0 ? mark : "", l < pieces[0].size() ? pieces[0][l] : "", cells);
    }
  }
  for (const Column& column : columns) {
    for (const Expectation& e : column.expectations) {
      if (std::find(labels.begin(), labels.end(), e.label) == labels.end()) {
        table.failures.push_back(e.label + " (" + column.title + "): in no reading");
      }
    }
  }
  return table;
}

Table FormatBeforeAfter(const Reading& before, const Reading& after,
                        const std::vector<Expectation>& expectations, int width) {
  return FormatColumns({{"before", before, {}}, {"after", after, expectations}}, width);
}

}  // namespace demo
