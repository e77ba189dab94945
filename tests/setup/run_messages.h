#pragma once
// The messages a failing run leaves for the window, as the technician reads
// them; the tests compare against these texts, not against the product's
// own constants, so a changed message shows up as a failure.

#include <string>

namespace setup_test {

inline const std::wstring kLogonRefused =
    L"Windows ログインパスワードが不正です\nパスワードをもう一度入力してください";
inline const std::wstring kGroupNotFound =
    L"Depotron配信グループが見つかりません\nインターネットに接続されていないか、\n"
    L"グループ名が間違っている可能性があります\n\n・グループ名が正しいか確認してください\n"
    L"・VarnelのHPが表示できることを確認してもう一度実行してください";
inline const std::wstring kCheckFailed =
    L"ステイタス通知用 送信BOXの確認に失敗しました\nインターネットに接続されていない可能性があります\n\n"
    L"・データセンターのHPが表示できることを確認してもう一度実行してください";
inline const std::wstring kCheckError =
    L"加工ステイタス通知用 送信BOXの確認中にエラーが発生しました\n"
    L"インターネットに接続されていない可能性があります\n\n"
    L"・データセンターのHPが表示できることを確認してもう一度実行してください";
inline const std::wstring kSettingsNotSaved =
    L"ステイタス通知 送信BOXの設定を保存できませんでした\n\n※詳しくは弊社サポートまでご連絡ください";
inline const std::wstring kNotPrepared =
    L"Depotronの起動準備に失敗しました\n\n※詳しくは弊社サポートまでご連絡ください";
inline const std::wstring kNotDelivered =
    L"Depotronが配信されていません。\n\n※詳しくは弊社サポートまでご連絡ください";
inline const std::wstring kDownloadFailed =
    L"Depotronのダウンロードに失敗しました\nVarnelのHPが表示できることを確認してもう一度実行してください";
inline const std::wstring kNotStarted =
    L"Depotronの起動に失敗しました\n\n※詳しくは弊社サポートまでご連絡ください";

}  // namespace setup_test
