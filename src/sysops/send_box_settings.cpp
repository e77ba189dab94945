#include "sysops/send_box_settings.h"

#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "sysops/held_folder.h"
#include "sysops/product_paths.h"

namespace sysops {
namespace {

struct Key {
  const wchar_t* name;
  std::wstring SendBoxSettings::*value;
};
constexpr Key kKeys[] = {
    {kSendBoxIdKey, &SendBoxSettings::id},
    {kSendBoxPasswordKey, &SendBoxSettings::password},
    {kProcessGroupKey, &SendBoxSettings::group},
};

// GetPrivateProfileStringW cuts a value that does not fit and then answers
// size - 1: try again with twice the room.
std::wstring ReadProfileValue(const wchar_t* key, const std::wstring& path) {
  DWORD size = 1024;
  for (;;) {
    std::vector<wchar_t> buffer(size);
    const DWORD count = ::GetPrivateProfileStringW(kSendBoxSection, key, L"", buffer.data(),
                                                   size, path.c_str());
    if (count < size - 1 || size > static_cast<DWORD>(INT_MAX) / 2) {
      return std::wstring(buffer.data(), count < size ? count : size - 1);
    }
    size *= 2;
  }
}

}  // namespace

SendBoxSettings ReadSendBoxSettings() {
  SendBoxSettings settings;
  const HeldFolder folder = HoldProductFolder(kStatusBoxFolder);
  // Held open without delete sharing while the profile function reads it by
  // name: the name cannot become another file meanwhile.
  const fw::ScopedFileHandle file =
      folder.OpenFile(kStatusBoxIniFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!file) return settings;
  const std::wstring path = folder.PathOf(kStatusBoxIniFileName);
  for (const Key& key : kKeys) settings.*key.value = ReadProfileValue(key.name, path);
  return settings;
}

bool WriteSendBoxSettings(const SendBoxSettings& settings) {
  const HeldFolder folder = HoldProductFolder(kStatusBoxFolder);
  if (!folder.is_held()) return false;

  // What the file holds now, the terminal's own lines included; no file is
  // no lines, and a file that cannot be read or is refused ends the write.
  bool existed = false;
  std::string before;
  {
    const fw::ScopedFileHandle current =
        folder.OpenFile(kStatusBoxIniFileName, GENERIC_READ, FILE_SHARE_READ);
    if (current) {
      existed = true;
      if (!ReadAll(current.get(), &before)) return false;
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
      return false;
    }
  }

  // The profile functions compose the new text in the private folder, from
  // the same lines, so the bytes are theirs as they have always been.
  const HeldFolder own = HoldPrivateFolder();
  if (!own.is_held()) return false;
  if (existed ? !own.ReplaceFile(kStatusBoxIniFileName, before)
              : !own.RemoveFile(kStatusBoxIniFileName)) {
    return false;
  }
  const std::wstring draft = own.PathOf(kStatusBoxIniFileName);
  // All three are attempted. A send box checked with the service but not
  // stored would have the terminal report to the old box (or none) while
  // the technician is told that all is set.
  bool written = true;
  for (const Key& key : kKeys) {
    written &= ::WritePrivateProfileStringW(kSendBoxSection, key.name,
                                            QuoteForProfile(settings.*key.value).c_str(),
                                            draft.c_str()) != FALSE;
  }
  std::string after;
  {
    const fw::ScopedFileHandle composed =
        own.OpenFile(kStatusBoxIniFileName, GENERIC_READ, FILE_SHARE_READ);
    written = written && composed && ReadAll(composed.get(), &after);
  }
  own.RemoveFile(kStatusBoxIniFileName);  // the password stays nowhere else
  return written && folder.ReplaceFile(kStatusBoxIniFileName, after);
}

}  // namespace sysops
