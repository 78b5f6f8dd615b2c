#pragma once
// The quoted-printable decoder that every header reader of the program uses.

#include <QByteArray>
#include <QString>

// Turns each "=" followed by two hexadecimal digits (either case) into its
// byte and every other character into its Latin-1 byte (a character above
// U+00FF into a zero byte). A digit outside "0" to "F" counts as 0; an "="
// among the last two characters ends the decoding. "_" stays "_" and "="
// before a line end is not a soft line break.
QByteArray qDecode(const QString &text);

// qDecode of raw bytes: every byte stands for itself, so no byte is lost or
// re-encoded on the way.
QByteArray qDecodeBytes(const QByteArray &bytes);

// The value of one hexadecimal digit (either case), or -1 for any other byte.
int hexDigitValue(char c);
