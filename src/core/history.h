#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The clipboard history: at most 13 entries, newest first, each one string
// "hh:mm:ss" + " | " + the clipboard text. The text starts at the 12th character.
namespace tavro {

inline constexpr int kHistoryLimit = 13;
inline constexpr int kHistoryPrefixLength = 11;  // "hh:mm:ss | "
// A tray caption longer than this is cut ...
inline constexpr int kHistoryCaptionWholeUpTo = 34;
// ... to this many characters.
inline constexpr int kHistoryCaptionCutLength = 32;

QString makeHistoryEntry(const QDateTime& time, const QString& text);

// The clipboard text of an entry: everything from its 12th character (empty for a short one).
QString historyEntryText(const QString& entry);

// The tray caption of an entry: the entry whole up to 34 characters, else its first 32.
QString historyTrayCaption(const QString& entry);

// The entries after a new one arrives: the new one first, the oldest dropped beyond 13.
QStringList pushHistoryEntry(const QStringList& entries, const QString& newEntry);

}  // namespace tavro
