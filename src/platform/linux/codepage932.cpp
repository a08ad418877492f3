// Code page 932 through ICU, which Debian's Qt carries.
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/codepage932.h"

namespace tavro {

namespace {
// ICU's name for Microsoft's code page 932.
constexpr const char* kCodePage932 = "windows-31j";
}  // namespace

std::optional<QByteArray> encodeCodePage932(QStringView text) {
    QStringEncoder encoder(kCodePage932);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

QString decodeCodePage932(QByteArrayView bytes) {
    QStringDecoder decoder(kCodePage932);
    QString text = decoder.decode(bytes);
    // A line feed always stands for itself, so it ends a pending sequence, whose lead byte
    // then still comes out as a substitute character instead of staying inside the decoder.
    text += decoder.decode(QByteArrayView("\n", 1));
    text.chop(1);
    return text;
}

}  // namespace tavro
