#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Clipboard content a password manager marks as not to be recorded. The marks, as the
// clipboard's formats name them:
//  - X11: "x-kde-passwordManagerHint" holding "secret";
//  - Windows (Qt names a registered format application/x-qt-windows-mime;value="NAME"):
//    "ExcludeClipboardContentFromMonitorProcessing" or "Clipboard Viewer Ignore" offered at
//    all, or "CanIncludeInClipboardHistory" holding the 32-bit value 0.
// Marked content is never read as text and adds no history entry.
namespace tavro {

inline constexpr char kPasswordManagerHintFormat[] = "x-kde-passwordManagerHint";
// The registered Windows formats that mark content: the first two by being offered at all,
// the third by holding 0.
inline constexpr const char* kWindowsSecretFormats[] = {
    "ExcludeClipboardContentFromMonitorProcessing", "Clipboard Viewer Ignore",
    "CanIncludeInClipboardHistory"};

// A registered Windows format as Qt names it: application/x-qt-windows-mime;value="NAME".
QString windowsFormatMimeType(const QString& formatName);

enum class SecretMark {
    None,     // not marked
    Secret,   // marked: read nothing and record nothing
    Unknown,  // a mark is offered but its value could not be read: read no text
};

// Whether the formats alone mark the content as secret (no value needs reading).
bool marksSecretByPresence(const QStringList& formats);

// The offered formats whose value decides whether the content is secret.
QStringList secretValueFormats(const QStringList& formats);

// What the value of one of those formats says; nullopt: the value could not be read.
SecretMark secretMarkOfValue(const QString& format, const std::optional<QByteArray>& value);

// The whole rule: `read` gives a format's value (nullopt when the read failed); it is only
// called for formats of secretValueFormats(), and not at all when presence decides.
using ClipboardValueReader = std::function<std::optional<QByteArray>(const QString& format)>;
SecretMark clipboardSecretMark(const QStringList& formats, const ClipboardValueReader& read);

}  // namespace tavro
