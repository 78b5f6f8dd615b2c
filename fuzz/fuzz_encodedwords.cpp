// The encoded-word decoder: text without an opener comes back as UTF-8, any
// bytes wrapped in a B or a Q word come back as the charset reads them, and
// a word between plain text keeps that text.

#include "platform/charset.h"
#include "scan/encodedwords.h"

#include <QTextCodec>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray qEncoded(const QByteArray &bytes)
{
    QByteArray text;
    for (char c : bytes)
        text += '=' + QByteArray(1, c).toHex().toUpper();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    const QString decoded = encodedwords::decodeHeaderValue(bytes);
    if (!bytes.contains("=?"))
        check(decoded == QString::fromUtf8(bytes.constData(), bytes.size()));

    QTextCodec *latin1 = platform::codecForCharset("iso-8859-1");
    const QString expected = latin1->toUnicode(bytes);
    check(encodedwords::decodeHeaderValue("=?iso-8859-1?B?" + bytes.toBase64() + "?=") == expected);
    check(encodedwords::decodeHeaderValue("=?ISO-8859-1*en?q?" + qEncoded(bytes) + "?=") == expected);
    // Two adjacent words join without the blank between them.
    check(encodedwords::decodeHeaderValue("x =?iso-8859-1?b?" + bytes.toBase64() + "?= \t=?iso-8859-1?b?"
                                          + bytes.toBase64() + "?= y")
          == QStringLiteral("x ") + expected + expected + QStringLiteral(" y"));
    // A word never swallows the text around it.
    const QString around = encodedwords::decodeHeaderValue("<" + bytes + ">");
    check(around.startsWith(QLatin1Char('<')) && around.endsWith(QLatin1Char('>')));
    encodedwords::decodeWord(bytes);
    return 0;
}
