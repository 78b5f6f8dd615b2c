#pragma once
// Encoded words (RFC 2047) in the header lines the program shows: one word
// decoded from its charset, encoding letter and encoded text, and the From
// and Subject headers decoded the way the message indexers read them.
//
// Raw header lines come in as bytes with "\n" line ends (a CR LF already read
// as LF); they become text only in the decode... functions below.

#include <QByteArray>
#include <QDebug>
#include <QList>
#include <QString>

namespace encodedwords {

// The three fields of an encoded word, split from the text after its "=?".
struct WordParts {
    QByteArray charset;
    QByteArray letter;
    QByteArray text;

    bool operator==(const WordParts &other) const;
};

// Splits the text that follows an "=?" opener: the charset runs to the first
// "?", the letter to the next "?", the text is the rest (the closing "?="
// and whatever follows it included). A field whose "?" is missing takes all
// that is left, and the fields after it are empty.
WordParts splitWord(const QByteArray &afterOpener);

// True for the encoding letters Q and B, in either case.
bool isEncodingLetter(const QByteArray &letter);

// Decoded bytes as text in the codec of charset; when the charset names no
// codec (empty or unknown), the bytes up to their first zero byte as UTF-8.
QString decodeCharsetBytes(const QByteArray &bytes, const QByteArray &charset);

// The encoded text of one word as text: Q through qDecode, B through Base64
// (characters outside its alphabet skipped), then the charset's codec. Any
// other letter gives the text itself, read as UTF-8.
QString decodeWordText(const QByteArray &charset, const QByteArray &letter, const QByteArray &text);

// One complete word "=?charset?letter?text?=" as text; anything that is not
// such a word (no closing "?=", a missing field, an unknown letter) comes
// back as written, read as UTF-8.
QString decodeWord(const QByteArray &word);

// The two header fields the message indexers keep.
enum class IndexedField { Sender, Subject };

// Decodes a From or Subject header as the message indexers read it.
// firstLine is the header's first line with its name ("From: ..." or
// "Subject: ..."), continuationLines the lines folded onto it, each with its
// line end. An encoded word is recognised right after "From: ", "From: \""
// or "Subject: " and after the leading blank or tab of a continuation line;
// other text stays as it is. Every "From: " or "Subject: " (exact case) is
// removed from the result. Diagnostic lines ("lines - " and the word) are
// appended to diagnostics when it is given.
QString decodeIndexedHeader(IndexedField field, const QByteArray &firstLine,
                            const QList<QByteArray> &continuationLines,
                            QByteArray *diagnostics = nullptr);

// Removes every occurrence of name from text, as QString::remove does;
// name holds exactly one ":" (a header name such as "From: "), which makes
// the search cheap.
void removeHeaderName(QString &text, QLatin1String name);

} // namespace encodedwords

QDebug operator<<(QDebug debug, const encodedwords::WordParts &parts);
