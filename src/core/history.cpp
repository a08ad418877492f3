#include "core/history.h"

#include "core/time_format.h"

namespace tavro {

QString makeHistoryEntry(const QDateTime& time, const QString& text) {
    return formatHistoryTime(time) + QStringLiteral(" | ") + text;
}

QString historyEntryText(const QString& entry) {
    return entry.mid(kHistoryPrefixLength);
}

QString historyTrayCaption(const QString& entry) {
    return entry.size() <= kHistoryCaptionWholeUpTo ? entry : entry.left(kHistoryCaptionCutLength);
}

QStringList pushHistoryEntry(const QStringList& entries, const QString& newEntry) {
    QStringList result;
    result.reserve(kHistoryLimit);
    result.append(newEntry);
    for (const QString& entry : entries) {
        if (result.size() == kHistoryLimit) {
            break;
        }
        result.append(entry);
    }
    return result;
}

}  // namespace tavro
