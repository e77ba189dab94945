#pragma once
// The text logic of the setup run: the addresses it asks the two web services
// for, how it reads their answers and the delivery descriptor, and the
// messages a failing run leaves. No Windows calls here, so all of it is
// exercised natively as well.
//
// Inputs typed by the technician end up inside URLs; they are percent-encoded
// there, so that "&", "#", "/" or ".." in a group, a box ID or a password
// stay data and never change which resource is asked for.

#include <string>

#include "base/binary.h"

namespace setup {

// Every character outside RFC 3986's unreserved set (letters, digits and
// "-._~") as %XX of its UTF-8 bytes, capital hex digits. An ordinary input of
// letters and digits comes back unchanged.
std::wstring EncodeUrlComponent(const std::wstring& text);

// http://<delivery host>/depotron/version/<group>.ini
std::wstring BuildDescriptorAddress(const std::wstring& delivery_group);

// http://<status host>/kakonotify_send/setup_check.cgi?userid=<id>&password=<password>
std::wstring BuildStatusCheckAddress(const std::wstring& send_box_id,
                                     const std::wstring& send_box_password);

// The Depotron version the descriptor delivers: the value of the first line
// beginning with "0=" after the text "[License]", up to the end of its line
// (a carriage return before the line feed is not part of it, and the end of
// the text ends the line too). The descriptor is read as text up to its
// first zero byte, in the thread's ANSI code page. Empty when not found.
std::wstring ExtractDepotronVersion(const CBinary& descriptor);

// Whether Depotron gets the passive-update signal files for this version:
// exactly three dot-separated parts, the first read as a number at least 5
// and the second at least 2. Parts are compared one by one, so 5.10.3 passes
// and 6.0.0 does not.
bool IsPassiveUpdateVersion(const std::wstring& version);

// http://<delivery host>/depotron/installer/Depotron/<version>/VarnelDepotron.msi
// for the version of the descriptor; empty when it delivers none.
std::wstring BuildInstallerAddress(const CBinary& descriptor);

// Whether a download's first bytes are those of a Windows Installer package,
// which is a compound file (D0 CF 11 E0 A1 B1 1A E1). An empty body, an error
// page sent with status 200 or a truncated header is none, and opening it
// would leave the technician waiting for an installation that never starts.
bool StartsLikeInstallerPackage(const std::string& head);
inline constexpr std::size_t kInstallerSignatureLength = 8;

// What the status-notification service said about the send box.
struct StatusVerdict {
  enum Kind {
    kAccepted,          // "##COMPLETE##" somewhere in the answer
    kRefused,           // "##ERROR## <detail><": refused, with the service's reason
    kNotUnderstood,     // anything else: the general status-check message
  } kind = kNotUnderstood;
  std::wstring detail;  // for kRefused only
};
StatusVerdict JudgeStatusAnswer(const std::wstring& answer);

// "ステイタス通知用 送信BOXが利用できません\n ( ※<detail> )"
std::wstring SendBoxRefusedMessage(const std::wstring& detail);

}  // namespace setup
