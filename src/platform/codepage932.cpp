#include "platform/codepage932.h"

namespace tavro {

namespace {
bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool isTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}
}  // namespace

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
