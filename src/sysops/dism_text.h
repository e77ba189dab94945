#pragma once
// Reading the optional-feature states out of DISM's English feature list, and
// the DISM command lines. Text only, so that it builds and is exercised on
// every platform.

#include <string>

namespace sysops {

// Where a 32-bit process on 64-bit Windows reaches the system's own DISM,
// inside the Windows folder, and the tool's name in the system folder
// otherwise.
inline constexpr wchar_t kDismSysnativeRelativePath[] = L"SYSNATIVE\\DISM.EXE";
inline constexpr wchar_t kDismFileName[] = L"DISM.EXE";

// windows_folder + "\SYSNATIVE\DISM.EXE" ("C:\WINDOWS" gives
// "C:\WINDOWS\SYSNATIVE\DISM.EXE"); empty for an empty folder. Never a
// fixed drive and folder: where Windows lives elsewhere, "C:\WINDOWS" is a
// folder any user may create.
[[nodiscard]] std::wstring ComposeSysnativeDismPath(const std::wstring& windows_folder);

// The two log-on screen features, in the order they are handled.
inline constexpr wchar_t kEmbeddedLogonFeature[] = L"Client-EmbeddedLogon";
inline constexpr wchar_t kEmbeddedBootExpFeature[] = L"Client-EmbeddedBootExp";

// Tri-state answers.
inline constexpr int kFeatureEnabled = 1;
inline constexpr int kFeatureNotEnabled = 0;
inline constexpr int kFeatureUnknown = -1;

enum class DismCommand {
  kGetFeatures,            // list every feature with its state, in English
  kEnableEmbeddedLogon,    // enable Client-EmbeddedLogon and what it needs
  kEnableEmbeddedBootExp,  // enable Client-EmbeddedBootExp and what it needs
};

// The command line for `dism_path`, which is put in double quotes.
[[nodiscard]] std::wstring ComposeDismCommand(const std::wstring& dism_path, DismCommand command);

// 1 when the first "State : " after the first mention of `feature_name` reads
// exactly "Enabled" up to its carriage return, 0 for any other word, -1 when
// the name, the "State : " or the carriage return is missing.
[[nodiscard]] int QueryFeatureState(const std::wstring& feature_list,
                                    const std::wstring& feature_name);

// Both features enabled: 1; either present and not enabled: 0; otherwise -1.
[[nodiscard]] int CombineFeatureStates(int logon_state, int boot_exp_state);

// The combined state of the two log-on screen features in a feature list;
// -1 for an empty list (DISM did not run or printed nothing).
[[nodiscard]] int JudgeEmbeddedLogonFeatures(const std::wstring& feature_list);

}  // namespace sysops
