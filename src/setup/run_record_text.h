#pragma once
// The text of the record a setup run leaves behind: its file names and which
// old records go, how one event becomes one line with its time, how a secret
// is hidden, and how the causes of a failure read. No Windows calls here; the
// record's file and the facts it gathers from Windows are run_record.h's.
//
// Failure model: pure functions of their arguments; nothing throws but the
// standard library's allocation failure.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// A local time to the millisecond, as Windows' SYSTEMTIME gives it.
struct RecordTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// How many records the folder keeps, the new one included.
inline constexpr std::size_t kRecordsKept = 20;

// "setup-YYYYMMDD-HHMMSS.log"; a second run within the same second gets
// "setup-YYYYMMDD-HHMMSS-N.log" with N = `sequence` (2, 3, ...).
std::wstring RecordFileName(const RecordTime& time, int sequence = 1);

// Of the file names in the record folder, those of records (as
// RecordFileName makes them) beyond the `keep` newest, oldest first. Other
// names are never among them.
std::vector<std::wstring> RecordsBeyondNewest(const std::vector<std::wstring>& names,
                                              std::size_t keep);

// "YYYY-MM-DD HH:MM:SS.mmm " + text + "\r\n", with the text made one line:
// a line break, a tab or another control character inside it is written as
// a backslash escape (\n, \r, \t, \xNN), and a backslash stays a backslash
// (paths stay readable; the escapes are only for control characters).
std::wstring ComposeRecordLine(const RecordTime& time, const std::wstring& text);
std::wstring OneLine(const std::wstring& text);

// What the window shows for a password typed into it: one "●" per character.
std::wstring MaskedLike(const std::wstring& secret);

// `text` with every occurrence of each secret, and of each secret's
// percent-encoded form (as a URL carries it, either case of hex digits),
// replaced by MaskedLike(secret). Empty secrets are ignored; longer secrets
// are hidden first, so that one holding another is hidden whole.
std::wstring MaskSecrets(const std::wstring& text, const std::vector<std::wstring>& secrets);

// "<what> failed: Windows error <code> (<system text>)"; the system text's
// trailing line break dropped, "no text" when Windows has none.
std::wstring DescribeWindowsError(const std::wstring& what, std::uint32_t code,
                                  const std::wstring& system_text);

// The outcome of one HTTP request: "GET <url>: HTTP <status>, <bytes> bytes",
// or, without an answer, "GET <url>: no answer, " + DescribeWindowsError's
// cause.
std::wstring DescribeHttpAnswer(const std::wstring& url, std::uint32_t status,
                                std::uint64_t bytes);
std::wstring DescribeHttpNoAnswer(const std::wstring& url, std::uint32_t error,
                                  const std::wstring& system_text);

// The last `count` non-empty lines of a console tool's output, joined by
// " | " (a line break of any kind ends a line).
std::wstring LastLines(const std::wstring& output, std::size_t count);
inline constexpr std::size_t kToolLinesKept = 5;

// "<command>: exit code <code>, output: <last lines>" (or "no output").
std::wstring DescribeToolRun(const std::wstring& command, std::uint32_t exit_code,
                             const std::wstring& output);

// The first bytes of something that was not what it should be, for the
// record: printable ASCII as it is, every other byte as \xNN, at most
// `count` bytes, "..." when there was more.
std::wstring DescribeBytes(const std::string& bytes, std::size_t count);

// Lower-case hexadecimal of a digest.
std::wstring HexDigest(const std::string& digest);

// "1.234 s" for 1234 ms.
std::wstring DescribeDuration(std::uint64_t milliseconds);

}  // namespace setup
