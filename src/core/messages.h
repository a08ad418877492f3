#pragma once

#include <QString>

// The program's messages to the user, each used exactly as it stands.
namespace tavro {

// The title of the main window and of every message box, and the tray icon's tip.
inline const QString kAppTitle = QStringLiteral("Tavro!");

inline const QString kAlreadyRunningMessage = QStringLiteral("既に起動されています");
inline const QString kSelectEntryToSaveMessage =
    QStringLiteral("ﾃｷｽﾄ保存するﾃﾞｰﾀをﾘｽﾄから選択してください");
inline const QString kSelectTextToDeleteMessage = QStringLiteral("削除するﾃｷｽﾄを選択してください");
inline const QString kSelectTextToRecallMessage =
    QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞに格納するﾃｷｽﾄﾃﾞｰﾀを選択してください");
// Every saved-text operation that could not be done.
inline const QString kOperationFailedMessage =
    QStringLiteral("ひょっとしてその動作は、できないかもしれません\r\n諦めてください");

}  // namespace tavro
