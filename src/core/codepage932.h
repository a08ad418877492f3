#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// Code page 932: Shift-JIS as Windows has it, with the NEC and IBM extensions (① is 87 40,
// ～ is 81 60). The single bytes are converted here, the same on every platform; each
// platform converts the double-byte characters with its own exact tables.
namespace tavro {

// The bytes of `text`, or nothing when a character has no form in the code page: no
// character is ever replaced by a look-alike or a default character.
std::optional<QByteArray> encodeCodePage932(QStringView text);

// The text of `bytes`, every byte accounted for: a broken or unknown sequence, a lone lead
// byte at the end included, becomes a substitute character (U+FFFD) and never vanishes.
QString decodeCodePage932(QByteArrayView bytes);

// Whether the last byte of `bytes` is the lead byte of a double-byte character whose second
// byte is missing (as when a read stopped in the middle of the character).
bool endsInsideCodePage932Character(QByteArrayView bytes);

// The platform's part, used by the functions above.
namespace codepage932 {

// `pairs` holds whole double-byte characters (a lead byte, then a trail byte each); appends
// one UTF-16 unit per character to `text`, U+FFFD where the code page assigns none.
void appendDoubleByteCharacters(QByteArrayView pairs, QString& text);

// The double-byte forms of the characters of `text`, or nothing when one of them has none
// (a best-fit look-alike does not count).
std::optional<QByteArray> encodeDoubleByteCharacters(QStringView text);

}  // namespace codepage932

}  // namespace tavro
