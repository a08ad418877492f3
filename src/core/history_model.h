#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QString>
#include <vector>

// The clipboard history: at most 13 entries, newest first, each the time of a clipboard change
// and the text taken then. It lives in memory only and is empty at every start.
//
// An entry is shown as one line, "hh:mm:ss | text"; the text starts at the line's 12th
// character. The line and the tray menu's caption are made from the entry when asked for,
// never stored, and the text is kept once: the entry and the last text taken share it.
namespace tavro {

struct HistoryEntry {
    QDateTime time;
    QString text;
};

class HistoryModel : public QAbstractListModel {
    Q_OBJECT
  public:
    static constexpr int kLimit = 13;
    // "hh:mm:ss | ": what a line holds before the entry's text.
    static constexpr int kLinePrefixLength = 11;
    // A tray caption is the whole line up to this length ...
    static constexpr int kCaptionWholeUpTo = 34;
    // ... and the line's first this many characters beyond it.
    static constexpr int kCaptionCutLength = 32;
    // The display role gives no more of a line than this: a list shows one line of it, and a
    // text of many megabytes is never copied to be painted.
    static constexpr qsizetype kDisplayLineLimit = 1024;

    enum Role {
        // The entry's whole text (QString).
        TextRole = Qt::UserRole + 1,
        // The entry's caption in the tray menu (QString).
        TrayCaptionRole,
    };

    explicit HistoryModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The last text taken from the clipboard: the text of every new entry. Empty at start.
    const QString& lastText() const { return lastText_; }
    void setLastText(const QString& text) { lastText_ = text; }

    // Adds an entry of the last text at `time` as the newest; beyond 13 the oldest goes.
    void record(const QDateTime& time);
    // Removes the entry at `row`; nothing happens for a row outside the history.
    void removeEntry(int row);
    // Removes every entry; the last text taken stays.
    void clear();

    // The entry's text; the empty text for a row outside the history.
    QString entryText(int row) const;
    // "hh:mm:ss | " + the entry's text, whole.
    QString entryLine(int row) const;
    // The whole line up to 34 characters, otherwise its first 32.
    QString trayCaption(int row) const;

  private:
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    // The line with at most `textLength` characters of the text.
    QString lineOf(const HistoryEntry& entry, qsizetype textLength) const;

    std::vector<HistoryEntry> entries_;  // newest first
    QString lastText_;
};

}  // namespace tavro
