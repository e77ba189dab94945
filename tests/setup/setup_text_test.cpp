#include "setup/setup_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "setup/web_services.h"

namespace setup {
namespace {

CBinary Bytes(const std::string& text) {
  CBinary binary;
  binary.SetData(text.data(), static_cast<int>(text.size()));
  return binary;
}

// A literal with its embedded zero bytes.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(UrlComponent, UnreservedCharactersStayAsTheyAre) {
  EXPECT_EQ(EncodeUrlComponent(L"GroupA-01._~xyz"), L"GroupA-01._~xyz");
  EXPECT_EQ(EncodeUrlComponent(L""), L"");
}

TEST(UrlComponent, EverythingElseBecomesPercentEncodedUtf8) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"a&b", L"a%26b"},
      {L"k=v", L"k%3Dv"},
      {L"a b+c", L"a%20b%2Bc"},
      {L"x#y?z", L"x%23y%3Fz"},
      {L"100%", L"100%25"},
      {L"../installer/x", L"..%2Finstaller%2Fx"},
      {L"\\:;@!*'()\"<>", L"%5C%3A%3B%40%21%2A%27%28%29%22%3C%3E"},
      // Non-ASCII as its UTF-8 bytes, whatever the ANSI code page.
      {L"\u00E9", L"%C3%A9"},
      {L"配信A", L"%E9%85%8D%E4%BF%A1A"},
      {L"\U0001F600", L"%F0%9F%98%80"},
  };
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(EncodeUrlComponent(text), encoded) << testing::PrintToString(std::wstring(text));
  }
}

TEST(ServiceAddresses, OrdinaryInputsGiveThePlainRequest) {
  EXPECT_EQ(BuildDescriptorAddress(L"GroupA"),
            L"http://delivery.varnel.example/depotron/version/GroupA.ini");
  EXPECT_EQ(BuildDescriptorAddress(L""), L"http://delivery.varnel.example/depotron/version/.ini");
  EXPECT_EQ(BuildStatusCheckAddress(L"BOX-001", L"pass01"),
            L"http://status.varnel.example/kakonotify_send/setup_check.cgi"
            L"?userid=BOX-001&password=pass01");
  EXPECT_EQ(BuildStatusCheckAddress(L"", L""),
            L"http://status.varnel.example/kakonotify_send/setup_check.cgi?userid=&password=");
}

TEST(ServiceAddresses, InputsCannotAddParametersOrLeaveTheirFolder) {
  EXPECT_EQ(BuildStatusCheckAddress(L"id&admin=1", L"a&b#c"),
            L"http://status.varnel.example/kakonotify_send/setup_check.cgi"
            L"?userid=id%26admin%3D1&password=a%26b%23c");
  EXPECT_EQ(BuildDescriptorAddress(L"../installer/x"),
            L"http://delivery.varnel.example/depotron/version/..%2Finstaller%2Fx.ini");
}

TEST(DepotronVersion, TakesTheFirstZeroLineAfterTheLicenseSection) {
  const std::string crlf =
      "[Depotron]\r\n0=1.0.0\r\nName=Varnel\r\n[License]\r\n10=9.9.9\r\n0=5.2.0\r\n1=x\r\n"
      "[More]\r\n0=7.0.0\r\n";
  EXPECT_EQ(ExtractDepotronVersion(Bytes(crlf)), L"5.2.0");
  // The line need not lie in the section itself: the first one after it counts.
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\r\nKey=1\r\n[Other]\r\n0=6.1.0\r\n")),
            L"6.1.0");
}

TEST(DepotronVersion, TheValueRunsToTheEndOfItsLineWhateverTheLineEnd) {
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\n0=5.2.0\n1=x\n")), L"5.2.0");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\r\n0=5.2.0")), L"5.2.0");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\n0=5.2.0\r")), L"5.2.0");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\r\n0=\r\n")), L"");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\r\n0=")), L"");
  // Only one carriage return belongs to the line end.
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]\r\n0=5.2.0\r\r\n")), L"5.2.0\r");
}

TEST(DepotronVersion, MissingPiecesGiveNoVersion) {
  EXPECT_EQ(ExtractDepotronVersion(CBinary()), L"");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[Depotron]\r\n0=5.2.0\r\n")), L"");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("0=5.2.0\r\n[License]\r\n1=5.2.0\r\n")), L"");
  EXPECT_EQ(ExtractDepotronVersion(Bytes("[License]0=5.2.0\r\n")), L"");
  // The text ends at the first zero byte.
  EXPECT_EQ(ExtractDepotronVersion(Bytes(Raw("[License]\r\n\0\n0=5.2.0\r\n"))), L"");
  EXPECT_EQ(ExtractDepotronVersion(Bytes(Raw("[License]\r\n0=5.2\0.0\r\n"))), L"5.2");
}

TEST(PassiveUpdateVersion, ComparesMajorAndMinorPartsOneByOne) {
  for (const wchar_t* version : {L"5.2.0", L"5.10.3", L"6.2.1", L"5.2.", L" 5 . 2 .0", L"+5.2.0",
                                 L"5x.2y.z", L"12.30.0"}) {
    EXPECT_TRUE(IsPassiveUpdateVersion(version)) << version;
  }
  for (const wchar_t* version : {L"4.9.9", L"6.0.0", L"6.1.9", L"5.2", L"5.2.0.1", L"", L"x.y.z",
                                 L"-5.2.0", L"5", L"..", L"99999999999999999999.1.0"}) {
    EXPECT_FALSE(IsPassiveUpdateVersion(version)) << version;
  }
}

TEST(InstallerAddress, UsesTheDeliveredVersion) {
  EXPECT_EQ(BuildInstallerAddress(Bytes("[License]\r\n0=5.2.0\r\n")),
            L"http://delivery.varnel.example/depotron/installer/Depotron/5.2.0/VarnelDepotron.msi");
  EXPECT_EQ(BuildInstallerAddress(Bytes("[License]\n0=6.0.0")),
            L"http://delivery.varnel.example/depotron/installer/Depotron/6.0.0/VarnelDepotron.msi");
  EXPECT_EQ(BuildInstallerAddress(Bytes("[License]\r\n")), L"");
  EXPECT_EQ(BuildInstallerAddress(CBinary()), L"");
}

TEST(InstallerPackage, OnlyACompoundFileCounts) {
  const std::string signature = Raw("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  EXPECT_TRUE(StartsLikeInstallerPackage(signature));
  EXPECT_TRUE(StartsLikeInstallerPackage(signature + Raw("\0\0\0")));
  EXPECT_FALSE(StartsLikeInstallerPackage(""));
  EXPECT_FALSE(StartsLikeInstallerPackage(signature.substr(0, 7)));
  EXPECT_FALSE(StartsLikeInstallerPackage("<html><body>404</body></html>"));
  EXPECT_FALSE(StartsLikeInstallerPackage(Raw("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE0")));
}

TEST(StatusAnswer, CompleteAnywherePasses) {
  EXPECT_EQ(JudgeStatusAnswer(L"##COMPLETE##").kind, StatusVerdict::kAccepted);
  EXPECT_EQ(JudgeStatusAnswer(L"<p>##ERROR## no<br>##COMPLETE##</p>").kind,
            StatusVerdict::kAccepted);
  EXPECT_EQ(JudgeStatusAnswer(L"##ERROR## no<##COMPLETE##").kind, StatusVerdict::kAccepted);
}

TEST(StatusAnswer, AnErrorWithBlankAndBracketCarriesItsDetail) {
  StatusVerdict verdict = JudgeStatusAnswer(L"<html>##ERROR## 送信BOX停止中<br></html>");
  EXPECT_EQ(verdict.kind, StatusVerdict::kRefused);
  EXPECT_EQ(verdict.detail, L"送信BOX停止中");
  // The first blank after the marker: the detail may hold blanks itself.
  verdict = JudgeStatusAnswer(L"x##ERROR##  two words<");
  EXPECT_EQ(verdict.kind, StatusVerdict::kRefused);
  EXPECT_EQ(verdict.detail, L" two words");
  // A "<" before the blank leaves an empty detail.
  verdict = JudgeStatusAnswer(L"x##ERROR##<b> reason");
  EXPECT_EQ(verdict.kind, StatusVerdict::kRefused);
  EXPECT_EQ(verdict.detail, L"");
  verdict = JudgeStatusAnswer(L"x##ERROR## <");
  EXPECT_EQ(verdict.kind, StatusVerdict::kRefused);
  EXPECT_EQ(verdict.detail, L"");
}

TEST(StatusAnswer, AnythingElseIsNotUnderstood) {
  for (const wchar_t* answer :
       {L"", L"OK", L"##ERROR## at the start<", L"##ERROR##", L"x##ERROR##no-blank<",
        L"x##ERROR## no bracket", L"x < y ##ERROR##", L"##complete##", L"x##ERROR#  <"}) {
    const StatusVerdict verdict = JudgeStatusAnswer(answer);
    EXPECT_EQ(verdict.kind, StatusVerdict::kNotUnderstood) << answer;
    EXPECT_EQ(verdict.detail, L"") << answer;
  }
}

TEST(StatusAnswer, TheRefusalMessageQuotesTheDetail) {
  EXPECT_EQ(SendBoxRefusedMessage(L"停止中"),
            L"ステイタス通知用 送信BOXが利用できません\n ( ※停止中 )");
  EXPECT_EQ(SendBoxRefusedMessage(L"100%s"),
            L"ステイタス通知用 送信BOXが利用できません\n ( ※100%s )");
}

TEST(Credentials, TheDeliveryCredentialIsBuiltFromItsStoredForm) {
  EXPECT_EQ(UnscrambleCredential("bcdZ"), L"abcZ");
  EXPECT_EQ(UnscrambleCredential("Q"), L"Q");
  EXPECT_EQ(UnscrambleCredential(""), L"");
  const std::wstring credential = DeliveryCredential();
  EXPECT_EQ(credential.size(), 19u);
  EXPECT_EQ(credential, L"ZGVwb3Q6VnRzLTIwMjY");  // Base64 of "depot:Vts-2026", unpadded
  EXPECT_EQ(std::wstring(kStatusCredential).size(), 36u);
}

}  // namespace
}  // namespace setup
