#pragma once
// What the setup run tells about itself while it works, besides the progress
// the window shows: each step as it begins, the facts and causes behind how
// it ends, and the run's end. The run owns no file; whoever it is given
// keeps the account (RunRecord in the program, nothing for a step run on its
// own). Implementations are called on the run's worker thread and must not
// throw or block for long; nothing they do may change the run.

#include <string>

namespace setup {

class IRunEvents {
 public:
  // A step begins, with the percentage and status text the window shows.
  virtual void StepBegan(int percent, const std::wstring& status) = 0;
  // One fact of the current step: what was asked, what answered, why it
  // failed. One line of text; secrets may be in it (the listener hides them).
  virtual void Detail(const std::wstring& text) = 0;
  // A failure the step ignores on purpose (the run goes on).
  virtual void Ignored(const std::wstring& cause) = 0;
  // The run returns `result` (kSetupFailed, kUpdaterStarted,
  // kInstallerStarted) with its message, empty when it leaves none.
  virtual void RunEnded(int result, const std::wstring& message) = 0;

 protected:
  ~IRunEvents() = default;
};

// Listens to nothing: a step run on its own.
class NoRunEvents : public IRunEvents {
 public:
  void StepBegan(int, const std::wstring&) override {}
  void Detail(const std::wstring&) override {}
  void Ignored(const std::wstring&) override {}
  void RunEnded(int, const std::wstring&) override {}
};

// The one NoRunEvents of the process.
IRunEvents& NoEvents();

}  // namespace setup
