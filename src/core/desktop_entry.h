#pragma once

#include <QString>
#include <optional>

// The program's freedesktop desktop entry: the menu entry an installation puts in
// share/applications, and the copy in the user's autostart folder that starts the program at
// login.
namespace tavro {

// The entry's id, reverse-DNS; also the name of its icon.
inline const QString kDesktopEntryId = QStringLiteral("io.github.tavro.Tavro");

// `program` as one argument of an Exec line, as the line stands in the file: quoted and escaped
// where the Exec rules ask for it, '%' doubled, then escaped as the file's strings are (a
// backslash doubled, a line break, tab or carriage return written as \n, \t, \r). Nothing
// when `program` holds another control character, which no desktop entry can hold.
std::optional<QString> desktopExecArgument(const QString& program);

// The autostart copy of the menu entry `entry`: it starts `program` (the file that runs now,
// wherever it was installed), a few seconds after login, after the panel on KDE. Nothing when
// no Exec line can name `program`.
std::optional<QString> autostartDesktopEntry(const QString& entry, const QString& program);

// Whether the program runs from the bin folder of an installation (PREFIX/bin, with the menu
// entry in PREFIX/share/applications). That folder belongs to the system, never to the
// user's texts.
bool runsFromInstalledPrefix(const QString& programFolder);

}  // namespace tavro
