#pragma once

#include <QDateTime>
#include <functional>

// Where the program reads the current local time: the stamps of history entries and the names
// of saved texts. Tests put a fixed clock in.
namespace tavro {

using Clock = std::function<QDateTime()>;

inline Clock systemClock() {
    return [] { return QDateTime::currentDateTime(); };
}

}  // namespace tavro
