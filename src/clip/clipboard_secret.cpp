#include "clip/clipboard_secret.h"

#include <QtEndian>

namespace tavro {

namespace {

// The name of a Windows clipboard format as Qt presents it; empty for any other format.
QString windowsFormatName(const QString& format) {
    static const QLatin1String prefix("application/x-qt-windows-mime;value=\"");
    if (!format.startsWith(prefix, Qt::CaseInsensitive) || !format.endsWith(QLatin1Char('"')) ||
        format.size() <= prefix.size()) {
        return {};
    }
    return format.mid(prefix.size(), format.size() - prefix.size() - 1);
}

// Windows compares registered format names without regard to case.
bool isWindowsFormat(const QString& format, QLatin1String name) {
    return windowsFormatName(format).compare(name, Qt::CaseInsensitive) == 0;
}

bool isHint(const QString& format) {
    return format == QLatin1String(kPasswordManagerHintFormat);
}

bool isHistoryPermission(const QString& format) {
    return isWindowsFormat(format, QLatin1String("CanIncludeInClipboardHistory"));
}

}  // namespace

bool marksSecretByPresence(const QStringList& formats) {
    for (const QString& format : formats) {
        if (isWindowsFormat(format,
                            QLatin1String("ExcludeClipboardContentFromMonitorProcessing")) ||
            isWindowsFormat(format, QLatin1String("Clipboard Viewer Ignore"))) {
            return true;
        }
    }
    return false;
}

QStringList secretValueFormats(const QStringList& formats) {
    QStringList result;
    for (const QString& format : formats) {
        if ((isHint(format) || isHistoryPermission(format)) && !result.contains(format)) {
            result.append(format);
        }
    }
    return result;
}

SecretMark secretMarkOfValue(const QString& format, const std::optional<QByteArray>& value) {
    if (!isHint(format) && !isHistoryPermission(format)) {
        return SecretMark::None;
    }
    if (!value) {
        return SecretMark::Unknown;
    }
    if (isHint(format)) {
        // Programs differ in whether they end the value with a NUL or a line break.
        QByteArray word = *value;
        while (!word.isEmpty() && (word.back() == '\0' || word.back() == '\n' ||
                                   word.back() == '\r' || word.back() == ' ')) {
            word.chop(1);
        }
        return word == "secret" ? SecretMark::Secret : SecretMark::None;
    }
    // A DWORD, little-endian: 0 keeps the content out of any history.
    if (value->size() < 4) {
        return SecretMark::Unknown;
    }
    return qFromLittleEndian<quint32>(value->constData()) == 0 ? SecretMark::Secret
                                                               : SecretMark::None;
}

SecretMark clipboardSecretMark(const QStringList& formats, const ClipboardValueReader& read) {
    if (marksSecretByPresence(formats)) {
        return SecretMark::Secret;
    }
    SecretMark result = SecretMark::None;
    for (const QString& format : secretValueFormats(formats)) {
        const SecretMark mark = secretMarkOfValue(format, read(format));
        if (mark == SecretMark::Secret) {
            return mark;
        }
        if (mark == SecretMark::Unknown) {
            result = mark;
        }
    }
    return result;
}

}  // namespace tavro
