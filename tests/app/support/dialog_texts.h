#pragma once
// The texts of the main dialog's own message boxes, as the technician reads
// them; the tests compare against these, not against the product's
// constants, so a changed text shows up as a failure.

#include <string>

namespace apptest {

inline const std::wstring kAppName = L"Varnel ターミナルセットアップ";
inline const std::wstring kWindowTitle = L"Varnelターミナル セットアップ Ver1.00L00";
inline const std::wstring kInitializing = L"初期化中...";
inline const std::wstring kDepotronRunning =
    L"Varnel Depotronが起動しています。\nDepotronを終了して、もう一度実行してください\n";
inline const std::wstring kConfirmSetup =
    L"このコンピューターをVarnelターミナル設定用に書き換えます。\n本当によろしいですか？\n\n"
    L"（コンピュータは自動的に再起動されることがあります)";
inline const std::wstring kSurveyFailed =
    L"データ読み込み中にエラーが発生しました。\n\n※弊社サポートまでご連絡ください";
inline const std::wstring kSetupFailed =
    L"設定中にエラーが発生しました。\n正しく設定が終わっていない可能性があります\n\n"
    L"弊社サポートまでご連絡ください";
inline const std::wstring kSetupCompleted =
    L"設定を完了しました。\n\nDepotronによるソフトインストール後\nコンピュータを再起動してください";
inline const std::wstring kConfirmClose =
    L"セットアップ中のため、中断しないでください\n設定が正しく完了しなくなる可能性があります\n\n"
    L"それでも終了しますか？";

}  // namespace apptest
