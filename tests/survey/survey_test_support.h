#pragma once
// What the survey's tests share: the display texts spelled out, the power
// line and the setup run's power commands; the account and the registry
// values come from the shared test support.

#include <windows.h>

#include <string>

#include "support/terminal_state.h"
#include "support/test_support.h"
#include "sysops/command_runner.h"

namespace survey_test {

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kNotRegistered = L"( \u672A\u767B\u9332 )";
const std::wstring kNotSet = L"\uFF08 \u672A\u8A2D\u5B9A \uFF09";
const std::wstring kNotInstalled = L"( \u672A\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB \uFF09";
const std::wstring kUnsupported = L"( OS\u672A\u5BFE\u5FDC )";

using test_support::ComputerName;
using test_support::CurrentUser;
using test_support::TerminalValues;

// The power line with one verdict for all four time-outs.
inline std::wstring PowerLine(const std::wstring& verdict) {
  std::wstring line;
  for (const wchar_t* label : {L"\u30B9\u30EA\u30FC\u30D7 ", L"\u4F11\u6B62 ",
                               L"\u30C7\u30A3\u30B9\u30AF ",
                               L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 "}) {
    line += label + verdict + L"\u3000";
  }
  return line;
}

// The power commands of a setup run, in its order.
inline void RunSetupPowerCommands() {
  sysops::RunCommandAndCapture(L"powercfg.exe -setactive SCHEME_MIN");
  for (const wchar_t* setting : {L"monitor", L"standby", L"hibernate", L"disk"}) {
    for (const wchar_t* source : {L"ac", L"dc"}) {
      sysops::RunCommandAndCapture(std::wstring(L"powercfg /x /") + setting + L"-timeout-" +
                                   source + L" 0");
    }
  }
}

}  // namespace survey_test
