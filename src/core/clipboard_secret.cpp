#include "core/clipboard_secret.h"

#include <QtEndian>

namespace tavro {

namespace {

constexpr QLatin1String kWindowsMimePrefix("application/x-qt-windows-mime;value=\"");

// The name of a Windows clipboard format as Qt presents it; empty for any other format.
QString windowsFormatName(const QString& format) {
    const qsizetype prefixSize = kWindowsMimePrefix.size();
    if (!format.startsWith(kWindowsMimePrefix, Qt::CaseInsensitive) ||
        !format.endsWith(QLatin1Char('"')) || format.size() <= prefixSize) {
        return {};
    }
    return format.mid(prefixSize, format.size() - prefixSize - 1);
}

// Windows compares registered format names without regard to case.
bool isWindowsFormat(const QString& format, const char* name) {
    return windowsFormatName(format).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool isHint(const QString& format) {
    return format == QLatin1String(kPasswordManagerHintFormat);
}

bool isHistoryPermission(const QString& format) {
    return isWindowsFormat(format, kWindowsSecretFormats[2]);
}

}  // namespace

QString windowsFormatMimeType(const QString& formatName) {
    return kWindowsMimePrefix + formatName + QLatin1Char('"');
}

bool marksSecretByPresence(const QStringList& formats) {
    for (const QString& format : formats) {
        if (isWindowsFormat(format, kWindowsSecretFormats[0]) ||
            isWindowsFormat(format, kWindowsSecretFormats[1])) {
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
