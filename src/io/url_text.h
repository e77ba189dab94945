#pragma once
// Where a request goes, as far as the Basic credential is concerned: the
// rule that decides whether a redirect may carry the credential on. No
// Windows calls here, so the rule is exercised natively as well.

#include <string>

namespace io {

// Scheme, host and port of a URL as the request uses them; the port is the
// scheme's default when the URL names none.
struct UrlAuthority {
  bool https = false;
  std::wstring host;
  unsigned port = 0;
};

// Whether the credential given for `given` goes along to `hop`: the same host
// (letter case aside) and either the same port, or the step of that host
// from plain http on port 80 to https on port 443.
[[nodiscard]] bool CredentialMayFollow(const UrlAuthority& given, const UrlAuthority& hop);

}  // namespace io
