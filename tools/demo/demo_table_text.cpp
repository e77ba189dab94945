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

// The failure sentence for a row, empty when the row is as expected.
std::string Judge(const Expectation& e, const std::string& before, const std::string& after) {
  if (e.rule.rfind("= ", 0) == 0) {
    const std::string wanted = e.rule.substr(2);
    if (after == wanted) return std::string();
    return e.label + ": expected \"" + wanted + "\" after the run, found \"" + after + "\"";
  }
  if (e.rule == "changed") {
    if (after != before) return std::string();
    return e.label + ": expected a change, still \"" + after + "\"";
  }
  if (e.rule == "same") {
    if (after == before) return std::string();
    return e.label + ": expected no change, \"" + before + "\" became \"" + after + "\"";
  }
  return e.label + ": unknown expectation \"" + e.rule + "\"";
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

Table FormatBeforeAfter(const Reading& before, const Reading& after,
                        const std::vector<Expectation>& expectations, int width) {
  std::vector<std::string> labels;
  for (const Reading* reading : {&before, &after}) {
    for (const auto& row : *reading) {
      if (std::find(labels.begin(), labels.end(), row.first) == labels.end()) {
        labels.push_back(row.first);
      }
    }
  }
  width = std::max(width, 60);
  int labelWidth = 2;
  for (const std::string& label : labels) labelWidth = std::max(labelWidth, DisplayWidth(label));
  labelWidth = std::min(labelWidth, width / 3);
  // "m label | before | after": two columns for the mark, two separators.
  const int valueWidth = std::max(8, (width - 2 - labelWidth - 6) / 2);

  Table table;
  const auto addLine = [&](const std::string& mark, const std::string& a, const std::string& b,
                           const std::string& c) {
    table.text += TrimRight(Pad(mark, 2) + Pad(a, labelWidth) + " | " + Pad(b, valueWidth) +
                            " | " + c) +
                  "\n";
  };
  addLine("", "", "before", "after");
  table.text += std::string(static_cast<std::size_t>(2 + labelWidth + 6 + 2 * valueWidth), '-') +
                "\n";
  for (const std::string& label : labels) {
    const std::string* b = FindRow(before, label);
    const std::string* a = FindRow(after, label);
    const std::string beforeText = b ? *b : kNone;
    const std::string afterText = a ? *a : kNone;
    std::string mark = beforeText == afterText ? "" : "*";
    if (const Expectation* e = FindExpectation(expectations, label)) {
      std::string failure = Judge(*e, beforeText, afterText);
      if (!failure.empty()) {
        mark = "!";
        table.failures.push_back(std::move(failure));
      }
    }
    const auto l = WrapToWidth(label, labelWidth);
    const auto bw = WrapToWidth(beforeText, valueWidth);
    const auto aw = WrapToWidth(afterText, valueWidth);
    const std::size_t lines = std::max({l.size(), bw.size(), aw.size()});
    for (std::size_t i = 0; i < lines; ++i) {
      addLine(i == 0 ? mark : "", i < l.size() ? l[i] : "", i < bw.size() ? bw[i] : "",
              i < aw.size() ? aw[i] : "");
    }
  }
  for (const Expectation& e : expectations) {
    if (std::find(labels.begin(), labels.end(), e.label) == labels.end()) {
      table.failures.push_back(e.label + ": in neither reading");
    }
  }
  return table;
}

}  // namespace demo
