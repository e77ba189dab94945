// Prints the demo's before/after table.
//
//   demo-table BEFORE AFTER [EXPECTATIONS]
//
// Each file as demo_table_text.h describes it. Exits 1 when a row breaks its
// expectation (each broken one is named on standard error), 2 when a file
// cannot be read.
#include <cstdio>
#include <cstdlib>
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
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: demo-table BEFORE AFTER [EXPECTATIONS]\n";
    return 2;
  }
  std::string files[3];
  for (int i = 1; i < argc; ++i) {
    if (!ReadWhole(argv[i], &files[i - 1])) {
      std::cerr << "demo-table: cannot read " << argv[i] << "\n";
      return 2;
    }
  }
  int width = 120;
  if (const char* columns = std::getenv("COLUMNS")) width = std::atoi(columns);
  const demo::Table table =
      demo::FormatBeforeAfter(demo::ParseReading(files[0]), demo::ParseReading(files[1]),
                              demo::ParseExpectations(files[2]), width);
  std::cout << table.text << std::flush;
  for (const std::string& failure : table.failures) std::cerr << "NOT AS EXPECTED: " << failure << "\n";
  return table.failures.empty() ? 0 : 1;
}
