#include "core/history_model.h"

#include "core/time_format.h"

namespace tavro {

HistoryModel::HistoryModel(QObject* parent) : QAbstractListModel(parent) {}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !hasRow(index.row())) {
        return {};
    }
    const HistoryEntry& entry = entries_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return lineOf(entry, kDisplayLineLimit - kLinePrefixLength);
        case TextRole:
            return entry.text;
        case TrayCaptionRole:
            return trayCaption(index.row());
        default:
            return {};
    }
}

void HistoryModel::record(const QDateTime& time) {
    if (rowCount() == kLimit) {
        beginRemoveRows({}, kLimit - 1, kLimit - 1);
        entries_.pop_back();
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    entries_.insert(entries_.begin(), HistoryEntry{time, lastText_});
    endInsertRows();
}

void HistoryModel::removeEntry(int row) {
    if (!hasRow(row)) {
        return;
    }
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.begin() + row);
    endRemoveRows();
}

void HistoryModel::clear() {
    if (entries_.empty()) {
        return;
    }
    beginRemoveRows({}, 0, rowCount() - 1);
    entries_.clear();
    endRemoveRows();
}

QString HistoryModel::entryText(int row) const {
    return hasRow(row) ? entries_[static_cast<size_t>(row)].text : QString();
}

QString HistoryModel::entryLine(int row) const {
    if (!hasRow(row)) {
        return QString();
    }
    const HistoryEntry& entry = entries_[static_cast<size_t>(row)];
    return lineOf(entry, entry.text.size());
}

QString HistoryModel::trayCaption(int row) const {
    if (!hasRow(row)) {
        return QString();
    }
    const HistoryEntry& entry = entries_[static_cast<size_t>(row)];
    const qsizetype lineLength = kLinePrefixLength + entry.text.size();
    return lineOf(entry, lineLength <= kCaptionWholeUpTo ? entry.text.size()
                                                         : kCaptionCutLength - kLinePrefixLength);
}

QString HistoryModel::lineOf(const HistoryEntry& entry, qsizetype textLength) const {
    const QStringView text = QStringView(entry.text).left(textLength);
    QString line;
    line.reserve(kLinePrefixLength + text.size());
    line += formatHistoryTime(entry.time);
    line += u" | ";
    line += text;
    return line;
}

}  // namespace tavro
