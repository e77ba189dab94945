// Another account's attempt on the file the setup run is about to open:
//   setup_file_tamperer <path>
// overwrites it, renames it (and puts it back), deletes it, in that order,
// each as far as Windows lets it. The exit code tells what went through:
// 1 the overwrite, 2 the rename, 4 the delete; 8 without a path.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 8;
  const std::wstring path = argv[1];
  const std::wstring moved = path + L".moved";
  int done = 0;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (::WriteFile(file, "swapped", 7, &written, nullptr) && written == 7) done |= 1;
    ::CloseHandle(file);
  }
  if (::MoveFileExW(path.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    done |= 2;
    ::MoveFileExW(moved.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  if (::DeleteFileW(path.c_str())) done |= 4;
  return done;
}
