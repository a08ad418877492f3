#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/file_access.h"

// The saved texts: one file each in the Temptext folder, named by the moment of saving
// ("YYMMDDHHMMSS.TXT"), holding the text in Shift-JIS (code page 932) with nothing added.
// A text that has no Shift-JIS form is kept as UTF-8 behind a byte-order mark instead.
// This is plain logic over a folder: no widgets, no message boxes.
namespace tavro {

inline constexpr int kSavedTextNameLength = 16;
// The excerpt stops before a further line once it holds this many characters.
inline constexpr int kExcerptStopLength = 35;
// The list line pads the excerpt with spaces up to this width before the name.
inline constexpr int kListLineExcerptWidth = 100;
// Tray captions: an excerpt shorter than this is shown whole ...
inline constexpr int kTrayCaptionWholeBelow = 30;
// ... a longer one is cut to this many characters.
inline constexpr int kTrayCaptionCutLength = 25;
// No more than this many bytes of a file are read for its excerpt, so a file whose first
// line is megabytes long costs no more than a short one.
inline constexpr qint64 kExcerptByteLimit = 4096;
// A file larger than this is no text to put on the clipboard (a sparse file of gigabytes, say):
// recalling it fails instead of exhausting the memory.
inline constexpr qint64 kWholeTextByteLimit = qint64(256) << 20;

// One saved text as the list shows it.
struct SavedText {
    QString name;        // the file name as listed
    QDateTime modified;  // last-modified time, local, to the second
    QString excerpt;     // the leading lines, each followed by CR LF
};

// "YYMMDDHHMMSS" + ".TXT" for the given local time.
QString savedTextName(const QDateTime& time);

// The name part of a list line: its last 16 characters (the whole line when shorter).
QString nameFromListLine(const QString& listLine);

// True when the part of the name before its last four characters is a decimal number
// (optional sign, digits, at most one decimal point); "memo.TXT" fails, "980828153012.TXT" passes.
bool passesNumericTest(const QString& fileName);

// True for a bare file name that stays inside the folder: not empty, no '/', '\\' or NUL,
// not "." or "..".
bool isPlainFileName(const QString& name);

// Reads the excerpt from a device opened for reading: lines end at CR LF or a lone CR (a
// lone LF is part of the line); each line read is appended with CR LF; reading stops at the
// end or before a further line once the excerpt holds kExcerptStopLength characters. At most
// kExcerptByteLimit bytes are read; a line cut there ends the excerpt like a last line.
QString readExcerpt(QIODevice& device);

// "MM/DD HH:MM" + " |" + excerpt + spaces up to 100 + name.
QString savedTextListLine(const SavedText& text);

// The excerpt itself when shorter than 30 characters, otherwise its first 25 characters.
QString savedTextTrayCaption(const QString& excerpt);

// Shell sort, gaps ..., 40, 13, 4, 1 (each smaller than the count), ascending by UTF-16
// code unit; afterMove runs after every single move of an element.
void sortNames(QStringList& names, const std::function<void()>& afterMove = {});

// Converts a text to the bytes of its file: Shift-JIS when every character has a form there,
// otherwise UTF-8 with a byte-order mark.
QByteArray encodeSavedText(const QString& text);
// Converts file bytes back: UTF-8 when they start with the byte-order mark, Shift-JIS otherwise.
QString decodeSavedText(const QByteArray& bytes);

// Writes a new file whole or not at all, never replacing an entry (see writeNewFile).
using NewFileWriter =
    std::function<NewFileResult(const QString& folder, const QString& name, QByteArrayView bytes)>;

class SavedTextStore {
  public:
    // `writer` makes every new file; tests wrap the platform's to act between the choice of a
    // name and its writing, as another copy of the program sharing the folder can.
    explicit SavedTextStore(QString folder, NewFileWriter writer = writeNewFile);

    const QString& folder() const { return folder_; }
    QString pathOf(const QString& name) const;

    struct Listing {
        bool anyFile = false;  // at least one "*.TXT" file (any case) was found
        QStringList names;     // those that pass the numeric test, in ascending order
    };
    // Lists the regular files (links followed; not hidden) matching "*.TXT" without regard
    // to case. FIFOs, devices, sockets and folders are left out, links to them too. The
    // folder gives its names in no particular order; they come back sorted, as sortNames
    // orders them.
    Listing list() const;

    // Reads a listed file's excerpt and modified time; nothing when it is no regular file or
    // can't be opened or read. Nothing past the file's size when opened is read.
    std::optional<SavedText> read(const QString& name) const;

    // The whole text of a saved text for the clipboard: every line followed by CR LF, then the
    // last CR LF removed. Nothing when the name is not a plain name, the file is no regular
    // file, larger than kWholeTextByteLimit or can't be read, or it holds no line at all (an
    // empty file).
    std::optional<QString> readWhole(const QString& name) const;

    // The first name from `now` on, a second later each step, that no file in the folder has.
    QString freeName(const QDateTime& now) const;

    // Writes a new file whole or not at all. Refuses names that are not plain names and
    // names of entries that exist already, so no saved text is ever overwritten. False, with
    // nothing left behind, when any byte could not be written to the disk.
    bool write(const QString& name, const QString& text) const;

    // Saves a text as a new saved text: under the first free name from `now` on, and when
    // another copy of the program takes that name before it is written, under the next free
    // one after it. A folder removed meanwhile is made again (the folder alone, not its
    // parents). The name used, or nothing when the text could not be saved whole; nothing is
    // left behind then.
    std::optional<QString> save(const QDateTime& now, const QString& text) const;

    // Deletes the named file. False when the name is not plain or the file can't be removed
    // (for instance because it is gone).
    bool remove(const QString& name) const;

  private:
    // The names of every entry of the folder, upper case.
    QSet<QString> takenNames() const;
    // The first second from `from` on whose name is not among `taken`.
    static QDateTime firstFreeTime(const QSet<QString>& taken, const QDateTime& from);
    // Makes the folder again when nothing of its name is there; false otherwise.
    bool remakeFolder() const;

    QString folder_;
    NewFileWriter writer_;
};

}  // namespace tavro
