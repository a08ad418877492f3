// The double-byte characters of code page 932 through ICU, which Debian's Qt carries. ICU's
// single-byte part differs from Windows (it swaps 0x1A, 0x1C and 0x7F), so it is used for
// whole double-byte characters only.
#include <QStringDecoder>
#include <QStringEncoder>

#include "core/codepage932.h"

namespace tavro::codepage932 {

namespace {
// ICU's name for Microsoft's code page 932.
constexpr const char* kCodePage932 = "windows-31j";
}  // namespace

void appendDoubleByteCharacters(QByteArrayView pairs, QString& text) {
    // Made once per thread: a line of mixed text calls this once per run of pairs, and making
    // the decoder costs ten times the decoding of a short run.
    static thread_local QStringDecoder decoder(kCodePage932);
    decoder.resetState();
    const QString decoded = decoder.decode(pairs);
    if (decoded.size() == pairs.size() / 2) {
        text += decoded;  // ICU gives U+FFFD for a pair the code page leaves unassigned
        return;
    }
    // Never expected: one character per pair, each on its own.
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        QStringDecoder single(kCodePage932);
        const QString character = single.decode(pairs.sliced(i, 2));
        text += character.size() == 1 ? character.front() : QChar(u'\uFFFD');
    }
}

std::optional<QByteArray> encodeDoubleByteCharacters(QStringView text) {
    QStringEncoder encoder(kCodePage932);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace tavro::codepage932
