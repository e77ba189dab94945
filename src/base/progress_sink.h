#pragma once
// Where the survey and the setup run report how far they got: a percentage
// (0 to 100) and a status text, both replaced on every call. The dialog's
// implementation may be called from its worker thread; it must not block.
// Tests pass one that records the calls.

#include <string>

class IProgressSink {
 public:
  virtual void Report(int percent, const std::wstring& text) = 0;

 protected:
  ~IProgressSink() = default;
};
