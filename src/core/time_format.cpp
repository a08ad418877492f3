#include "core/time_format.h"

namespace tavro {

QString formatHistoryTime(const QDateTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString formatNameStamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyMMddHHmmss"));
}

QString formatListTime(const QDateTime& time) {
    return time.toString(QStringLiteral("MM/dd HH:mm"));
}

}  // namespace tavro
