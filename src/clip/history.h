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

// What the clipboard holds, as far as the history cares. Only plain text alone is taken;
// anything else (an image, rich text, an emptied clipboard) repeats the previous text.
enum ClipboardFormat : int {
    kFormatText = 1,
    kFormatBitmap = 2,
    kFormatDeviceIndependentBitmap = 4,
    kFormatRichText = 8,
};

// The format mask of a clipboard offering these MIME types. Any image type (or Qt's own
// in-process image) counts as both bitmap forms, as the system converts one into the other;
// HTML beside text is not rich text. The types alone decide: asking the clipboard whether it
// can give an image costs a round trip to the display server per image format.
int clipboardFormatMask(const QStringList& mimeTypes);

inline bool takesClipboardText(int mask) {
    return mask == kFormatText;
}

}  // namespace tavro
