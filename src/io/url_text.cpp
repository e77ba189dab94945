#include "io/url_text.h"

namespace io {
namespace {

constexpr unsigned kHttpPort = 80;
constexpr unsigned kHttpsPort = 443;

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

// Host names compare without regard to ASCII letter case. Anything else must
// match exactly: a doubt keeps the credential at home.
bool SameHost(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool CredentialMayFollow(const UrlAuthority& given, const UrlAuthority& hop) {
  if (!SameHost(given.host, hop.host)) return false;
  if (given.port == hop.port) return true;
  // A site moving its visitors from http to https on the default ports is
  // still the same site; any other port may be another service.
  return !given.https && given.port == kHttpPort && hop.https && hop.port == kHttpsPort;
}

}  // namespace io
