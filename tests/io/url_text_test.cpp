#include "io/url_text.h"

#include <gtest/gtest.h>

namespace {

using io::CredentialMayFollow;
using io::UrlAuthority;

UrlAuthority Http(const wchar_t* host, unsigned port = 80) { return {false, host, port}; }
UrlAuthority Https(const wchar_t* host, unsigned port = 443) { return {true, host, port}; }

TEST(CredentialMayFollow, SameHostAndPort) {
  EXPECT_TRUE(CredentialMayFollow(Http(L"delivery.example.jp"), Http(L"delivery.example.jp")));
  EXPECT_TRUE(CredentialMayFollow(Http(L"127.0.0.1", 8080), Http(L"127.0.0.1", 8080)));
  EXPECT_TRUE(CredentialMayFollow(Https(L"h.example"), Https(L"h.example")));
  // Host names ignore letter case.
  EXPECT_TRUE(CredentialMayFollow(Http(L"Delivery.Example.JP"), Http(L"delivery.example.jp")));
  // The port decides, not the scheme: the given URL may be https on 443
  // asked in plain HTTP, and the hop the same port again.
  EXPECT_TRUE(CredentialMayFollow(Https(L"h.example"), Http(L"h.example", 443)));
  EXPECT_TRUE(CredentialMayFollow(Http(L"h.example", 443), Https(L"h.example")));
}

TEST(CredentialMayFollow, FromHttpToHttpsOnTheDefaultPorts) {
  EXPECT_TRUE(CredentialMayFollow(Http(L"h.example"), Https(L"h.example")));
  EXPECT_TRUE(CredentialMayFollow(Http(L"H.EXAMPLE"), Https(L"h.example")));
  // Only from 80 and only to 443.
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example", 8080), Https(L"h.example")));
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Https(L"h.example", 8443)));
  // Never the other way round, nor to another host.
  EXPECT_FALSE(CredentialMayFollow(Https(L"h.example"), Http(L"h.example")));
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Https(L"other.example")));
  // Plain http to port 443 is not the move to TLS.
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Http(L"h.example", 443)));
}

TEST(CredentialMayFollow, OtherHostsAndPortsGetNothing) {
  EXPECT_FALSE(CredentialMayFollow(Http(L"127.0.0.1", 8080), Http(L"127.0.0.1", 8081)));
  EXPECT_FALSE(CredentialMayFollow(Http(L"127.0.0.1"), Http(L"localhost")));
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Http(L"h.example.evil")));
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Http(L"sub.h.example")));
  EXPECT_FALSE(CredentialMayFollow(Http(L"h.example"), Http(L"h.example.")));
  // Letter case is folded for ASCII only: other look-alikes stay apart.
  EXPECT_FALSE(CredentialMayFollow(Http(L"\u00c4.example"), Http(L"\u00e4.example")));
  EXPECT_FALSE(CredentialMayFollow(Http(L""), Http(L"")));
}

}  // namespace
