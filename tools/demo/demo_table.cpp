// Prints the demo's table of readings side by side.
//
//   demo-table TITLE READING EXPECTATIONS [TITLE READING EXPECTATIONS]...
//
// One column per triple, in order; EXPECTATIONS is "-" for none. Each file as
// demo_table_text.h describes it. Exits 1 when a row breaks its expectation
// (each broken one is named on standard error), 2 when a file cannot be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "demo_table_text.h"

namespace {

bool ReadWhole(const char* path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 1) % 3 != 0) {
    std::cerr << "usage: demo-table TITLE READING EXPECTATIONS [TITLE READING EXPECTATIONS]...\n";
    return 2;
  }
  std::vector<demo::Column> columns;
  for (int i = 1; i + 2 < argc; i += 3) {
    demo::Column column;
    column.title = argv[i];
    std::string text;
    if (!ReadWhole(argv[i + 1], &text)) {
      std::cerr << "demo-table: cannot read " << argv[i + 1] << "\n";
      return 2;
    }
    column.reading = demo::ParseReading(text);
    if (std::strcmp(argv[i + 2], "-") != 0) {
      if (!ReadWhole(argv[i + 2], &text)) {
        std::cerr << "demo-table: cannot read " << argv[i + 2] << "\n";
        return 2;
      }
      column.expectations = demo::ParseExpectations(text);
    }
    columns.push_back(std::move(column));
  }
  int width = 120;
  if (const char* env = std::getenv("COLUMNS")) width = std::atoi(env);
  const demo::Table table = demo::FormatColumns(columns, width);
  std::cout << table.text << std::flush;
  for (const std::string& failure : table.failures) std::cerr << "NOT AS EXPECTED: " << failure << "\n";
  return table.failures.empty() ? 0 : 1;
}
