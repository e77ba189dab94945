// The status-notification service's answer, any bytes read as the run reads
// them: accepted exactly when "##COMPLETE##" is in it; refused only after an
// "##ERROR##" that does not open the answer, with a reason that is part of
// the answer and holds no "<".

#include "base/binary.h"
#include "fuzz_support.h"
#include "setup/setup_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CBinary body;
  body.SetData(data, static_cast<int>(size));
  const std::wstring answer = body.ToAnsiText(0, 0);
  const setup::StatusVerdict verdict = setup::JudgeStatusAnswer(answer);

  const bool complete = answer.find(L"##COMPLETE##") != std::wstring::npos;
  FUZZ_CHECK((verdict.kind == setup::StatusVerdict::kAccepted) == complete);
  if (verdict.kind == setup::StatusVerdict::kRefused) {
    const std::size_t marker = answer.find(L"##ERROR##");
    FUZZ_CHECK(marker != std::wstring::npos && marker > 0);
    FUZZ_CHECK(verdict.detail.find(L'<') == std::wstring::npos);
    FUZZ_CHECK(answer.find(verdict.detail, marker) != std::wstring::npos);
    const std::wstring message = setup::SendBoxRefusedMessage(verdict.detail);
    FUZZ_CHECK(message.find(verdict.detail) != std::wstring::npos);
  } else {
    FUZZ_CHECK(verdict.detail.empty());
  }
  return 0;
}
