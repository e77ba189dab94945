#include "setup/web_services.h"

#include "base/text_codec.h"

namespace setup {

std::wstring UnscrambleCredential(const std::string& stored) {
  std::string plain = stored;
  for (std::size_t i = 0; i + 1 < plain.size(); ++i) plain[i] = static_cast<char>(plain[i] - 1);
  return codec::Decode(plain, codec::CodePage::kThreadAnsi);
}

std::wstring DeliveryCredential() { return UnscrambleCredential(kScrambledDeliveryCredential); }

}  // namespace setup
