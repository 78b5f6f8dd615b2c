#pragma once
// Encoders shared by the writers of composed messages: header values made
// safe for one header line, RFC 2047 words, display names, MIME parameters
// (RFC 2231), Base64 lines and quoted-printable text.
//
// Every input is raw bytes (UTF-8 where text is meant); every output is the
// bytes that go into the message, lines ended by "\n" and folded header
// lines continued by "\n\t".

#include <QByteArray>
#include <QList>

namespace mimeencode {

// Longest encoded word (RFC 2047 limit, "=?UTF-8?B?" and "?=" included).
constexpr int kMaxWordChars = 75;
// Longest plain value put on one header line; anything longer is encoded
// and folded so that no line passes 998 bytes.
constexpr int kMaxPlainValue = 200;
// Longest header line, its line feed not counted (RFC 5322 2.1.1).
constexpr int kMaxHeaderLine = 998;
// Bytes of data per Base64 line of 76 characters.
constexpr int kBase64LineBytes = 57;

// The value with CR, LF and every other control byte except tab (DEL
// included) replaced by a blank, so that it cannot end its header line.
QByteArray cleanHeaderValue(const QByteArray &value);

// True when every byte is printable ASCII (0x20 to 0x7E).
bool isPlainAscii(const QByteArray &value);

// True when value holds "=?" with a "?=" after it: plain text that a reader
// may take for an RFC 2047 encoded word and decode into other text.
bool looksLikeEncodedWord(const QByteArray &value);

// The bytes as "=?UTF-8?B?...?=" words of at most maxChars characters each,
// never splitting a UTF-8 sequence (a byte that starts none stands alone).
QList<QByteArray> encodedWords(const QByteArray &utf8, int maxChars = kMaxWordChars);

// encodedWords joined by "\n\t": one word per folded line.
QByteArray foldedEncodedWords(const QByteArray &utf8);

// An unstructured header value (Thread-Topic, Content-Description): the
// cleaned value when it is plain ASCII of at most kMaxPlainValue bytes that
// does not look like an encoded word, otherwise folded encoded words.
QByteArray unstructuredValue(const QByteArray &utf8);

// text as a quoted string: in double quotes, with "\" before every double
// quote and backslash.
QByteArray quotedString(const QByteArray &text);

// A display name for "name <address>": a plain ASCII name as it is, one
// holding a special character (RFC 5322: ()<>[]:;@\,.") as a quoted string,
// a non-ASCII or long one, or one that looks like an encoded word, as folded
// encoded words. Cleaned first.
QByteArray displayName(const QByteArray &utf8);

// The parameters that carry a file name, without the ";" separators:
// a plain ASCII name of at most kMaxPlainValue bytes that does not look like
// an encoded word gives one name="..." (quoted string); any other gives
// name="<encoded words>" when those fit on a line, followed, when
// withExtended is set, by the RFC 2231 form name*=UTF-8''%XX... (name*0*=,
// name*1*=, ... when it is long).
QList<QByteArray> fileNameParameters(const QByteArray &paramName, const QByteArray &utf8,
                                     bool withExtended);

// Characters of size bytes as Base64 lines (line feeds included).
qint64 base64LinesSize(qint64 size);

// Writes data as Base64 lines of 76 characters, each ended by "\n", the last
// one possibly shorter: base64LinesSize(size) characters from out on, in one
// pass. Returns the end of what was written. withVector allows the SSSE3
// kernel where the processor has it; the output is the same either way.
char *writeBase64Lines(const char *data, qint64 size, char *out, bool withVector = true);

// Appends data as Base64 lines (writeBase64Lines). Callers that feed one
// stream in pieces keep every piece but the last a multiple of
// kBase64LineBytes bytes.
void appendBase64Lines(const char *data, qint64 size, QByteArray &out);

// Quoted-printable (RFC 2045) for text fed in pieces: CR LF and a lone CR
// become a line break "\n"; "=", control bytes (tab excepted), bytes from
// 0x7F and a blank or tab at the end of a line are written "=XX"; soft line
// breaks "=\n" keep every line at most 76 characters; at the start of an
// output line the "F" of "From " is written "=46" and the first "-" of "--"
// "=2D", so that no line can pass for an mbox separator or a boundary.
// Lines of plain ASCII without "=" and at most 76 characters pass unchanged.
class QuotedPrintableEncoder
{
public:
    // Encodes what can be decided of data and appends it to out; up to a
    // few bytes wait for the next piece or finish().
    void add(const char *data, qint64 size, QByteArray &out);
    void add(const QByteArray &data, QByteArray &out) { add(data.constData(), data.size(), out); }
    // Encodes what waits; the text ends here.
    void finish(QByteArray &out);

private:
    void encode(bool atEnd, QByteArray &out);

    QByteArray m_pending;
    int m_column = 0;
};

// Convenience for a whole text.
QByteArray quotedPrintable(const QByteArray &text);

} // namespace mimeencode
