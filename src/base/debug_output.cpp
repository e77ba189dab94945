#include "base/debug_output.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void DefaultSink(const wchar_t* text) {
#ifdef _WIN32
  OutputDebugStringW(text);
#else
  (void)text;
#endif
}

DebugOutputSink g_sink = DefaultSink;

}  // namespace

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
  const DebugOutputSink previous = g_sink;
  g_sink = sink ? sink : DefaultSink;
  return previous;
}

void WriteDebugOutput(const wchar_t* text) { g_sink(text ? text : L""); }
