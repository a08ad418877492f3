#include "core/desktop_entry.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace tavro {

namespace {

const QString kAutostartDelaySeconds = QStringLiteral("3");

bool isGroupHeader(const QString& line) {
    return line.startsWith(QLatin1Char('['));
}

}  // namespace

std::optional<QString> desktopExecArgument(const QString& program) {
    // Characters that make an argument need quotes, and those escaped inside the quotes.
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    static const QString escapedInQuotes = QStringLiteral("\"`$\\");
    const bool unwritable = std::any_of(program.begin(), program.end(), [](QChar c) {
        return (c < QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
                c != QLatin1Char('\r')) ||
               c == QChar(0x7f);
    });
    if (unwritable) {
        return std::nullopt;
    }
    QString argument = program;
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool needsQuotes =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (needsQuotes) {
        QString quoted;
        for (QChar c : argument) {
            if (escapedInQuotes.contains(c)) {
                quoted += QLatin1Char('\\');
            }
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The file's own escapes: every backslash once more, and the control characters a string
    // may hold only escaped.
    QString line;
    for (QChar c : argument) {
        switch (c.unicode()) {
            case '\\':
                line += QLatin1String("\\\\");
                break;
            case '\n':
                line += QLatin1String("\\n");
                break;
            case '\t':
                line += QLatin1String("\\t");
                break;
            case '\r':
                line += QLatin1String("\\r");
                break;
            default:
                line += c;
        }
    }
    return line;
}

std::optional<QString> autostartDesktopEntry(const QString& entry, const QString& program) {
    const std::optional<QString> exec = desktopExecArgument(program);
    if (!exec) {
        return std::nullopt;
    }
    QStringList lines = entry.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
        lines.removeLast();
    }
    const QStringList added{
        QStringLiteral("X-GNOME-Autostart-Delay=") + kAutostartDelaySeconds,
        QStringLiteral("X-KDE-autostart-after=panel"),
    };
    QStringList result;
    bool inMainGroup = false;
    bool addedKeys = false;
    // The keys end the main group, before the blank lines that part it from the next.
    auto addKeys = [&] {
        qsizetype at = result.size();
        while (at > 0 && result.at(at - 1).trimmed().isEmpty()) {
            --at;
        }
        for (const QString& key : added) {
            result.insert(at++, key);
        }
        addedKeys = true;
    };
    for (const QString& line : std::as_const(lines)) {
        if (isGroupHeader(line)) {
            if (inMainGroup && !addedKeys) {
                addKeys();
            }
            inMainGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
        } else if (inMainGroup) {
            const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
            if (key == QLatin1String("Exec")) {
                result += QStringLiteral("Exec=") + *exec;
                continue;
            }
            if (key == QLatin1String("TryExec") ||
                key == QLatin1String("X-GNOME-Autostart-Delay") ||
                key == QLatin1String("X-KDE-autostart-after")) {
                continue;
            }
        }
        result += line;
    }
    if (inMainGroup && !addedKeys) {
        addKeys();
    }
    return result.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool runsFromInstalledPrefix(const QString& programFolder) {
    const QDir folder(programFolder);
    if (folder.dirName() != QLatin1String("bin")) {
        return false;
    }
    return QFileInfo::exists(folder.absoluteFilePath(QStringLiteral("../share/applications/") +
                                                     kDesktopEntryId + QStringLiteral(".desktop")));
}

}  // namespace tavro
