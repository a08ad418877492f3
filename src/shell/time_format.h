#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

// The three fixed time formats of the program (24-hour, two digits each) and the clock it reads.
namespace tavro {

// "hh:mm:ss", the stamp of a history entry.
QString formatHistoryTime(const QDateTime& time);
// "YYMMDDHHMMSS", the stem of a saved-text name.
QString formatNameStamp(const QDateTime& time);
// "MM/DD HH:MM", the date column of the saved-text list.
QString formatListTime(const QDateTime& time);

// Where the program reads the current local time; tests put a fixed clock in.
using Clock = std::function<QDateTime()>;
Clock systemClock();

}  // namespace tavro
