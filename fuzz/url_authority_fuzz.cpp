// The credential rule for a redirect, over any pair of hosts and ports: it
// goes along only to the same host (ASCII letter case aside), and to another
// port only from http on 80 to https on 443.

#include "fuzz_support.h"
#include "io/url_text.h"

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool SameHostIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

io::UrlAuthority Authority(fuzz::Input& input, std::size_t host_units) {
  io::UrlAuthority a;
  const std::uint8_t flags = input.Byte();
  a.https = flags & 1;
  // Mostly the ports that matter, sometimes any.
  switch ((flags >> 1) & 3) {
    case 0: a.port = 80; break;
    case 1: a.port = 443; break;
    default: a.port = input.Unit(); break;
  }
  a.host = input.Wide(host_units);
  return a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t units = input.Byte() % 64;
  const io::UrlAuthority given = Authority(input, units);
  io::UrlAuthority hop = Authority(input, units);
  if (input.Byte() & 1) hop.host = given.host;  // the interesting case is the same host

  const bool follows = io::CredentialMayFollow(given, hop);
  if (follows) {
    FUZZ_CHECK(!given.host.empty());
    FUZZ_CHECK(SameHostIgnoringCase(given.host, hop.host));
    FUZZ_CHECK(given.port == hop.port ||
               (!given.https && given.port == 80 && hop.https && hop.port == 443));
  } else if (!given.host.empty() && SameHostIgnoringCase(given.host, hop.host)) {
    FUZZ_CHECK(given.port != hop.port);
  }
  // A host never vouches for itself in reverse: from https back to http the
  // credential stays at home unless the port is the same.
  if (given.port != hop.port && given.https) FUZZ_CHECK(!follows);
  return 0;
}
