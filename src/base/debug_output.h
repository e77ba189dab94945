#pragma once
// Where developer diagnostics (the multi-map tree drawing) go. By default they
// reach the debugger through OutputDebugStringW on Windows and go nowhere
// elsewhere; a test can install its own sink to read them.

using DebugOutputSink = void (*)(const wchar_t* text);

// Installs `sink` (null restores the default) and returns the previous one.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// Hands one piece of text to the current sink.
void WriteDebugOutput(const wchar_t* text);
