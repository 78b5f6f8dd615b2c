#pragma once
// The locale codec of the program: UTF-8 in which every byte that is not
// part of valid UTF-8 stands for itself as a reserved code point, so that a
// file name read from disk names the same file again, whatever its bytes.

#include <QByteArray>
#include <QString>

class QTextCodec;

namespace platform {

// First of the reserved code points: byte b (0x80 to 0xFF) that is not valid
// UTF-8 reads as the lone low surrogate kEscapedByteBase + b, which no valid
// UTF-8 decodes to (as Python's "surrogateescape" does). Such a name shows a
// replacement character on screen.
constexpr ushort kEscapedByteBase = 0xDC00;

// Bytes to text: valid UTF-8 decoded, every other byte escaped.
QString decodeEscapedUtf8(const QByteArray &bytes);
// Text to bytes: the inverse of decodeEscapedUtf8, so that
// encodeEscapedUtf8(decodeEscapedUtf8(b)) == b for every byte string b. A
// surrogate that is neither half of a pair nor an escaped byte becomes "?".
QByteArray encodeEscapedUtf8(const QString &text);

// The codec made of the two functions above (created once, never null).
QTextCodec *fileNameCodec();
// Makes fileNameCodec the locale codec, so that QFile::encodeName and
// decodeName (and all of QString's local 8-bit conversions) round-trip
// every name byte-exactly whatever LANG says. Called through
// startup::setUpProcess, first in main and before every test runner.
void installFileNameCodec();

} // namespace platform
