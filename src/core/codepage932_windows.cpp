// The double-byte characters of code page 932 through Windows' own conversions.
#include <windows.h>

#include "core/codepage932.h"

namespace tavro::codepage932 {

namespace {
constexpr UINT kCodePage932 = 932;

// The characters of `pairs`, or nothing when one of them is unassigned.
bool convertStrictly(QByteArrayView pairs, QString& text) {
    const auto count = static_cast<int>(pairs.size() / 2);
    const qsizetype start = text.size();
    text.resize(start + count);
    const int converted = MultiByteToWideChar(
        kCodePage932, MB_ERR_INVALID_CHARS, pairs.data(), static_cast<int>(pairs.size()),
        reinterpret_cast<wchar_t*>(text.data() + start), count);
    if (converted != count) {
        text.resize(start);
        return false;
    }
    return true;
}
}  // namespace

void appendDoubleByteCharacters(QByteArrayView pairs, QString& text) {
    if (convertStrictly(pairs, text)) {
        return;
    }
    // Some pair is unassigned: without the strict flag Windows would give it '・', so each
    // pair is taken on its own and an unassigned one becomes U+FFFD.
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        if (!convertStrictly(pairs.sliced(i, 2), text)) {
            text += QChar(u'\uFFFD');
        }
    }
}

std::optional<QByteArray> encodeDoubleByteCharacters(QStringView text) {
    if (text.isEmpty()) {
        return QByteArray();
    }
    const auto* units = reinterpret_cast<const wchar_t*>(text.utf16());
    const auto length = static_cast<int>(text.size());
    // No best fit: a character without a form of its own takes the default character and
    // raises the flag, instead of becoming a look-alike (¥ as a backslash, 〜 as ～).
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units, length, nullptr,
                                         0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) {
        return std::nullopt;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    usedDefault = FALSE;
    const int written = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units, length,
                                            bytes.data(), size, nullptr, &usedDefault);
    if (written != size || usedDefault) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace tavro::codepage932
