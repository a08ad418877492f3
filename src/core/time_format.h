#pragma once

#include <QDateTime>
#include <QString>

// The three fixed time formats of the program (24-hour, two digits each).
namespace tavro {

// "hh:mm:ss", the stamp of a history entry.
QString formatHistoryTime(const QDateTime& time);
// "YYMMDDHHMMSS", the stem of a saved-text name.
QString formatNameStamp(const QDateTime& time);
// "MM/DD HH:MM", the date column of the saved-text list.
QString formatListTime(const QDateTime& time);

}  // namespace tavro
