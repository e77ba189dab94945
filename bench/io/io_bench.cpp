// Timings of the file and network functions under Wine.
//
//   io_bench http URL DEST [RUNS]   HttpDownloadToFile of URL into DEST
//   io_bench ini DIR [RUNS]         CMultiIniFile on a 10 000-key file in DIR:
//                                   cached Open + Flush (ANSI and Unicode)
//                                   against GetString of every key in direct mode
//
// Prints one line per measurement: name, best and median of RUNS, unit.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "io/http_client.h"
#include "io/ini_file.h"

namespace {

double Seconds(const std::function<bool()>& work, bool& ok) {
  LARGE_INTEGER frequency, start, stop;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  ok = work();
  ::QueryPerformanceCounter(&stop);
  return static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// Runs `work` `runs` times; prints best and median seconds. False when a run failed.
bool Measure(const char* name, int runs, const std::function<bool()>& work, double scale = 1.0,
             const char* unit = "s") {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    bool ok = false;
    double t = Seconds(work, ok);
    if (!ok) {
      std::printf("%s: run %d failed\n", name, i + 1);
      return false;
    }
    times.push_back(t);
  }
  std::sort(times.begin(), times.end());
  double best = times.front(), median = times[times.size() / 2];
  if (scale != 1.0) {
    std::printf("%-34s best %8.3f s (%7.1f %s)  median %8.3f s (%7.1f %s)\n", name, best,
                scale / best, unit, median, scale / median, unit);
  } else {
    std::printf("%-34s best %8.4f s  median %8.4f s\n", name, best, median);
  }
  std::fflush(stdout);
  return true;
}

ULONGLONG FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int BenchHttp(const std::wstring& url, const std::wstring& dest, int runs) {
  bool ok = Measure("HttpDownloadToFile", runs, [&] {
    return HttpDownloadToFile(url, L"YmVuY2g6YmVuY2g=", dest) != FALSE;
  });
  ULONGLONG size = FileSize(dest);
  std::printf("downloaded %llu bytes\n", size);
  ::DeleteFileW(dest.c_str());
  return ok ? 0 : 1;
}

constexpr int kSections = 100;
constexpr int kKeysPerSection = 100;  // 10 000 keys

std::wstring Section(int s) { return L"Section" + std::to_wstring(s); }
std::wstring Key(int k) { return L"Key" + std::to_wstring(k); }

int BenchIni(const std::wstring& dir, int runs) {
  const std::wstring ansi = dir + L"\\bench_ansi.ini";
  const std::wstring unicode = dir + L"\\bench_unicode.ini";
  {
    CMultiIniFile seed(nullptr);
    seed.SetCached(TRUE);
    for (int s = 0; s < kSections; ++s) {
      for (int k = 0; k < kKeysPerSection; ++k) {
        seed.WriteString(Section(s).c_str(), Key(k).c_str(),
                         (L"value of " + std::to_wstring(s * kKeysPerSection + k)).c_str());
      }
    }
    if (!seed.SaveFile(ansi.c_str(), FALSE) || !seed.SaveFile(unicode.c_str(), TRUE)) {
      std::printf("cannot write the INI files\n");
      return 1;
    }
  }
  std::printf("10000 keys: ANSI file %llu bytes, Unicode file %llu bytes\n", FileSize(ansi),
              FileSize(unicode));

  bool ok = true;
  for (int pass = 0; pass < 2; ++pass) {
    const bool uni = pass == 1;
    const std::wstring& path = uni ? unicode : ansi;
    std::string name = uni ? "cached Open+Flush, Unicode" : "cached Open+Flush, ANSI";
    ok &= Measure(name.c_str(), runs, [&] {
      CMultiIniFile ini(nullptr);
      return ini.Open(path.c_str(), uni) && ini.Flush(uni);
    });
    name = uni ? "cached Open+10000 GetString, Unicode" : "cached Open+10000 GetString, ANSI";
    ok &= Measure(name.c_str(), runs, [&] {
      CMultiIniFile ini(nullptr);
      if (!ini.Open(path.c_str(), uni)) return false;
      for (int s = 0; s < kSections; ++s) {
        for (int k = 0; k < kKeysPerSection; ++k) {
          if (ini.GetString(Section(s).c_str(), Key(k).c_str(), L"").empty()) return false;
        }
      }
      return true;
    });
  }
  ok &= Measure("direct 10000 GetString, ANSI", runs, [&] {
    CMultiIniFile ini(ansi.c_str());
    for (int s = 0; s < kSections; ++s) {
      for (int k = 0; k < kKeysPerSection; ++k) {
        if (ini.GetString(Section(s).c_str(), Key(k).c_str(), L"").empty()) return false;
      }
    }
    return true;
  });
  ok &= Measure("direct 10000 GetString, Unicode", runs, [&] {
    CMultiIniFile ini(unicode.c_str());
    for (int s = 0; s < kSections; ++s) {
      for (int k = 0; k < kKeysPerSection; ++k) {
        if (ini.GetString(Section(s).c_str(), Key(k).c_str(), L"").empty()) return false;
      }
    }
    return true;
  });
  ::DeleteFileW(ansi.c_str());
  ::DeleteFileW(unicode.c_str());
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wcscmp(argv[1], L"http") == 0) {
    return BenchHttp(argv[2], argv[3], argc >= 5 ? _wtoi(argv[4]) : 3);
  }
  if (argc >= 3 && std::wcscmp(argv[1], L"ini") == 0) {
    return BenchIni(argv[2], argc >= 4 ? _wtoi(argv[3]) : 3);
  }
  std::fprintf(stderr, "usage: io_bench http URL DEST [RUNS] | io_bench ini DIR [RUNS]\n");
  return 2;
}
