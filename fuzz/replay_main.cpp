// Runs a fuzz target over its kept corpus without libFuzzer, so that the
// ordinary sanitized build (g++) catches any input the corpus already holds:
// every file once whole, then cut short at a few points, since readers meet
// truncated output as often as complete output.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

constexpr std::size_t kCuts = 8;

std::vector<std::string> FilesOf(const std::string& path) {
  std::vector<std::string> files;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return files;
  if (!S_ISDIR(st.st_mode)) {
    files.push_back(path);
    return files;
  }
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name == "." || name == ".." || name[0] == '.') continue;
      files.push_back(path + "/" + name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t runs = 0;
  std::size_t files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<std::string> found = FilesOf(argv[i]);
    if (found.empty()) {
      std::fprintf(stderr, "%s: no corpus files\n", argv[i]);
      return 2;
    }
    for (const std::string& file : found) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
      std::fprintf(stderr, "%s\n", file.c_str());
      LLVMFuzzerTestOneInput(data, bytes.size());
      ++runs;
      for (std::size_t cut = 1; cut < kCuts && bytes.size() >= kCuts; ++cut) {
        // Copied, so that the sanitizer sees the shorter block's real end.
        const std::vector<std::uint8_t> shorter(data, data + bytes.size() * cut / kCuts);
        LLVMFuzzerTestOneInput(shorter.data(), shorter.size());
        ++runs;
      }
      ++files;
    }
  }
  if (files == 0) {
    std::fprintf(stderr, "usage: %s corpus-dir-or-file...\n", argv[0]);
    return 2;
  }
  std::printf("%zu files, %zu runs, no property broken\n", files, runs);
  return 0;
}
