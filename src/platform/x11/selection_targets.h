#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// What the names of X11 selection targets mean for the history: which MIME types they stand
// for, which of them give text and how their bytes decode.
namespace tavro::x11 {

// The MIME types a clipboard offering these targets has, as Qt would name them: the text
// targets (UTF8_STRING, STRING, TEXT, COMPOUND_TEXT) are text/plain, PIXMAP and BITMAP are an
// image; every other name stands for itself.
QStringList mimeTypesOfTargets(const QStringList& targets);

// The offered targets worth asking for text, best first: UTF-8, then Latin-1, then the rest.
QStringList textTargetsInOrder(const QStringList& targets);

// The text in `bytes`, an answer of type `type` to a request for `target`; nullopt when the
// encoding is not one this program reads.
std::optional<QString> decodeSelectionText(const QString& type, const QString& target,
                                           QByteArray bytes);

}  // namespace tavro::x11
