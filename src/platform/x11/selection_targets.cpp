#include "platform/x11/selection_targets.h"

namespace tavro::x11 {

namespace {

bool isUtf8PlainText(const QString& name) {
    return name.compare(QLatin1String("text/plain;charset=utf-8"), Qt::CaseInsensitive) == 0;
}

bool isPlainText(const QString& name) {
    return name == QLatin1String("text/plain");
}

}  // namespace

QStringList mimeTypesOfTargets(const QStringList& targets) {
    QStringList types;
    for (const QString& target : targets) {
        QString type = target;
        if (target == QLatin1String("UTF8_STRING") || target == QLatin1String("STRING") ||
            target == QLatin1String("TEXT") || target == QLatin1String("COMPOUND_TEXT")) {
            type = QStringLiteral("text/plain");
        } else if (target == QLatin1String("PIXMAP") || target == QLatin1String("BITMAP")) {
            type = QStringLiteral("application/x-qt-image");
        }
        if (!types.contains(type)) {
            types.append(type);
        }
    }
    return types;
}

QStringList textTargetsInOrder(const QStringList& targets) {
    QStringList ordered;
    const auto take = [&](const auto& matches) {
        for (const QString& target : targets) {
            if (matches(target) && !ordered.contains(target)) {
                ordered.append(target);
            }
        }
    };
    take([](const QString& t) { return t == QLatin1String("UTF8_STRING"); });
    take(isUtf8PlainText);
    take([](const QString& t) { return t == QLatin1String("STRING"); });
    take([](const QString& t) { return t == QLatin1String("TEXT"); });
    take(isPlainText);
    return ordered;
}

std::optional<QString> decodeSelectionText(const QString& type, const QString& target,
                                           QByteArray bytes) {
    // C programs often send the terminating NUL along.
    if (bytes.endsWith('\0')) {
        bytes.chop(1);
    }
    // The answer's type names its encoding; an owner that names none of ours is taken at the
    // word of the target it was asked for.
    const auto decodeAs = [&bytes](const QString& name) -> std::optional<QString> {
        if (name == QLatin1String("UTF8_STRING") || isUtf8PlainText(name) || isPlainText(name)) {
            return QString::fromUtf8(bytes);
        }
        if (name == QLatin1String("STRING")) {
            return QString::fromLatin1(bytes);
        }
        if (name == QLatin1String("COMPOUND_TEXT") && !bytes.contains('\x1b')) {
            // Without escape sequences compound text stays in its initial sets: Latin-1.
            return QString::fromLatin1(bytes);
        }
        return std::nullopt;
    };
    if (std::optional<QString> text = decodeAs(type)) {
        return text;
    }
    if (type == QLatin1String("COMPOUND_TEXT") || target == QLatin1String("TEXT")) {
        return std::nullopt;  // an encoding of its own that this program doesn't read
    }
    return decodeAs(target);
}

}  // namespace tavro::x11
