#include "core/codepage932.h"

namespace tavro {

namespace {
constexpr char16_t kSubstitute = u'\uFFFD';

bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool isTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The character of a byte that is not a lead byte, as Windows maps it: ASCII as it is
// (0x5C and 0x7E included), half-width katakana, and the four bytes Windows keeps in the
// private use area.
char16_t singleByteCharacter(unsigned char byte) {
    if (byte <= 0x80) {
        return byte;
    }
    if (byte == 0xA0) {
        return u'\uF8F0';
    }
    if (byte >= 0xA1 && byte <= 0xDF) {
        return char16_t(0xFF61 + (byte - 0xA1));
    }
    return char16_t(0xF8F1 + (byte - 0xFD));  // 0xFD to 0xFF
}

// The single byte of a character, or nothing when it takes two bytes or none.
std::optional<char> singleByteOf(char16_t c) {
    if (c <= 0x80) {
        return char(c);
    }
    if (c == 0xF8F0) {
        return char(0xA0);
    }
    if (c >= 0xF8F1 && c <= 0xF8F3) {
        return char(0xFD + (c - 0xF8F1));
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
        return char(0xA1 + (c - 0xFF61));
    }
    return std::nullopt;
}

// The length of the run of whole double-byte characters that starts at `from`, in bytes.
qsizetype doubleByteRun(QByteArrayView bytes, qsizetype from) {
    qsizetype end = from;
    while (end + 1 < bytes.size() && isLeadByte(static_cast<unsigned char>(bytes[end])) &&
           isTrailByte(static_cast<unsigned char>(bytes[end + 1]))) {
        end += 2;
    }
    return end - from;
}
}  // namespace

std::optional<QByteArray> encodeCodePage932(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (const std::optional<char> single = singleByteOf(text[pos].unicode())) {
            bytes.append(*single);
            ++pos;
            continue;
        }
        qsizetype end = pos + 1;
        while (end < text.size() && !singleByteOf(text[end].unicode())) {
            ++end;
        }
        const QStringView run = text.sliced(pos, end - pos);
        const std::optional<QByteArray> pairs = codepage932::encodeDoubleByteCharacters(run);
        if (!pairs || pairs->size() != 2 * run.size()) {
            return std::nullopt;
        }
        // Only a form that reads back as the same text counts: a one-way mapping would
        // change the text behind the user's back.
        QString back;
        codepage932::appendDoubleByteCharacters(*pairs, back);
        if (back != run) {
            return std::nullopt;
        }
        bytes.append(*pairs);
        pos = end;
    }
    return bytes;
}

QString decodeCodePage932(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (!isLeadByte(byte)) {
            text.append(QChar(singleByteCharacter(byte)));
            ++pos;
            continue;
        }
        const qsizetype run = doubleByteRun(bytes, pos);
        if (run == 0) {
            // A lead byte without its trail byte; the byte after it stands for itself.
            text.append(QChar(kSubstitute));
            ++pos;
            continue;
        }
        codepage932::appendDoubleByteCharacters(bytes.sliced(pos, run), text);
        pos += run;
    }
    return text;
}

bool endsInsideCodePage932Character(QByteArrayView bytes) {
    // Walk the characters from the start: only there is it known which byte leads.
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!isLeadByte(byte)) {
            ++i;
        } else if (i + 1 == bytes.size()) {
            return true;
        } else {
            i += isTrailByte(static_cast<unsigned char>(bytes[i + 1])) ? 2 : 1;
        }
    }
    return false;
}

}  // namespace tavro
