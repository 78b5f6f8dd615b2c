#pragma once
// Encoded words (RFC 2047) in header values: the one decoder that the
// message indexers, the list summaries and the preview use.
//
// Values come in as raw bytes; they become text only in the decode...
// functions below. Text outside encoded words is read as UTF-8.

#include <QByteArray>
#include <QString>

namespace encodedwords {

// Decoded bytes as text in the codec of charset (an RFC 2231 language
// suffix "*lang" ignored); an empty or unknown charset reads as UTF-8 up
// to the first zero byte.
QString decodeCharsetBytes(const QByteArray &bytes, const QByteArray &charset);

// The bytes of Q-encoded text: "_" is a blank, "=" and two hexadecimal
// digits (either case) one byte; any other "=" stays as it is.
QByteArray decodeQText(const QByteArray &text);

// True for the encoding letters Q and B, in either case.
bool isEncodingLetter(const QByteArray &letter);

// The encoded text of one word as text: Q through decodeQText, B through
// Base64 (padding optional), then the charset's codec. Any other letter
// gives the text itself, read as UTF-8.
QString decodeWordText(const QByteArray &charset, const QByteArray &letter, const QByteArray &text);

// One complete word "=?charset?letter?text?=" as text; anything that is not
// such a word comes back as written, read as UTF-8.
QString decodeWord(const QByteArray &word);

// A header value with every encoded word in it decoded: a word is
// "=?charset?Q|B?text?=" (charset and letter in either case, no "?" in the
// text) wherever it stands, after plain text and inside quotes too; blanks
// between two adjacent words are dropped; a malformed word stays as
// written. Folded lines should be unfolded first (headerfields::unfold).
QString decodeHeaderValue(const QByteArray &value);

} // namespace encodedwords
