#include "sysops/dism_text.h"

#include <string_view>

namespace sysops {

namespace {

// Without destructors: a worker abandoned when the window closes may still be
// reading them while the process ends.
constexpr std::wstring_view kStateLabel = L"State : ";
constexpr std::wstring_view kEnabledWord = L"Enabled";

}  // namespace

std::wstring ComposeSysnativeDismPath(const std::wstring& windows_folder) {
  if (windows_folder.empty()) return std::wstring();
  std::wstring path = windows_folder;
  if (path.back() != L'\\') path += L'\\';
  return path + kDismSysnativeRelativePath;
}

std::wstring ComposeDismCommand(const std::wstring& dism_path, DismCommand command) {
  std::wstring line = L"\"" + dism_path + L"\"";
  switch (command) {
    case DismCommand::kGetFeatures:
      line += L" /online /Get-Features /English";
      break;
    case DismCommand::kEnableEmbeddedLogon:
      line += L" /online /Enable-Feature /FeatureName:Client-EmbeddedLogon /all /NoRestart";
      break;
    case DismCommand::kEnableEmbeddedBootExp:
      line += L" /online /Enable-Feature /FeatureName:Client-EmbeddedBootExp /all /NoRestart";
      break;
  }
  return line;
}

int QueryFeatureState(const std::wstring& feature_list, const std::wstring& feature_name) {
  const std::size_t name_at = feature_list.find(feature_name);
  if (name_at == std::wstring::npos) return kFeatureUnknown;
  const std::size_t label_at = feature_list.find(kStateLabel, name_at + 1);
  if (label_at == std::wstring::npos) return kFeatureUnknown;
  const std::size_t word_at = label_at + kStateLabel.size();
  const std::size_t end_at = feature_list.find(L'\r', word_at);
  if (end_at == std::wstring::npos) return kFeatureUnknown;
  return feature_list.compare(word_at, end_at - word_at, kEnabledWord) == 0 ? kFeatureEnabled
                                                                            : kFeatureNotEnabled;
}

int CombineFeatureStates(int logon_state, int boot_exp_state) {
  if (logon_state == kFeatureNotEnabled || boot_exp_state == kFeatureNotEnabled) {
    return kFeatureNotEnabled;
  }
  if (logon_state == kFeatureEnabled && boot_exp_state == kFeatureEnabled) return kFeatureEnabled;
  return kFeatureUnknown;
}

int JudgeEmbeddedLogonFeatures(const std::wstring& feature_list) {
  if (feature_list.empty()) return kFeatureUnknown;
  return CombineFeatureStates(QueryFeatureState(feature_list, kEmbeddedLogonFeature),
                              QueryFeatureState(feature_list, kEmbeddedBootExpFeature));
}

}  // namespace sysops
