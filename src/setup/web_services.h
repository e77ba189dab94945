#pragma once
// Where the setup run finds the delivery server and the data center's
// status-notification service, and the Basic credentials it shows them. All
// of it lives here and nowhere else. Both hosts are plain HTTP on the default
// port; a PC behind a proxy reaches them through the system's proxy settings.

#include <string>

namespace setup {

inline constexpr wchar_t kDeliveryHost[] = L"delivery.varnel.example";
inline constexpr wchar_t kStatusHost[] = L"status.varnel.example";

// The delivery server's credential (19 Base64 characters) as stored: every
// character but the last one code point higher than in the credential, so
// that the credential never appears as such in the executable.
inline constexpr char kScrambledDeliveryCredential[] = "[HWxc4R7WoS{MUJxNkY";

// The status-notification service's credential: 36 Base64 characters.
inline constexpr wchar_t kStatusCredential[] = L"bm90aWZ5LWNoZWNrOnZ0cy1sb2NhbC0yMDI2";

// Lowers every character of `stored` but the last by one, then reads the
// narrow text in the thread's ANSI code page.
std::wstring UnscrambleCredential(const std::string& stored);

// The delivery server's credential, built afresh on every call.
std::wstring DeliveryCredential();

}  // namespace setup
