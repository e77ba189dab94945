#pragma once
// The test side of the fake console tools (tools/fake-console-tools): where
// they were built, and the script that decides what they print (see
// fake_console_tool.cpp for its directives). Placing a fake where Windows
// keeps the real tool is ScopedProgram's job (support/programs.h). A target
// that starts the fakes depends on vts_fake_powercfg / vts_fake_DISM.

#include <windows.h>

#include <string>

#include "support/scoped.h"

#include "base/text_codec.h"
#include "kit/escape_text.h"

namespace test_support {

// The folder the fakes are built into, and one built fake in it, e.g.
// BuiltFakeTool(L"powercfg.exe").
std::wstring FakeToolsFolder();
std::wstring BuiltFakeTool(const wchar_t* file_name);

// The environment variables that name each fake's script.
inline constexpr wchar_t kPowercfgScriptVariable[] = L"VTS_FAKE_POWERCFG_SCRIPT";
inline constexpr wchar_t kDismScriptVariable[] = L"VTS_FAKE_DISM_SCRIPT";

// UTF-8 bytes of a text, for paths and texts in a script.
inline std::string ToUtf8(const std::wstring& text) {
  return codec::Encode(text, codec::CodePage::kUtf8);
}

// Bytes as the argument of an "out"/"err" directive.
inline std::string Escape(const std::string& bytes) { return kit::EscapeBytes(bytes); }

// While alive, the fake tools started by this process (and their children)
// follow `script`; afterwards the variable is as it was and the file gone.
class ScopedScript : public Scoped {
 public:
  ScopedScript(const wchar_t* variable, const std::string& script);
  ~ScopedScript();


 private:
  std::wstring variable_;
  std::wstring path_;
  std::wstring old_;
  bool had_old_ = false;
};

}  // namespace test_support
