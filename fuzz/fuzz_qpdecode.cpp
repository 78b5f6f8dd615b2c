// The quoted-printable decoder of the header readers against a plain
// reading of its rules, for raw bytes and for any UTF-16 text.

#include "fuzzcheck.h"
#include "scan/qpdecode.h"

#include <QString>

namespace {

int referenceDigit(ushort c)
{
    if (c >= 'a' && c <= 'z')
        c = ushort(c - 'a' + 'A');
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

QByteArray referenceDecode(const QString &text)
{
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c != '=') {
            out.append(c <= 0xff ? char(c) : '\0');
            continue;
        }
        if (i + 2 >= text.size())
            break;
        out.append(char(16 * referenceDigit(text.at(i + 1).unicode())
                        + referenceDigit(text.at(i + 2).unicode())));
        i += 2;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    // Bytes: every byte stands for itself.
    const QByteArray fromBytes = qDecodeBytes(bytes);
    FUZZ_CHECK(fromBytes.size() <= bytes.size());
    FUZZ_CHECK(fromBytes == referenceDecode(QString::fromLatin1(bytes.constData(), bytes.size())));
    if (!bytes.contains('='))
        FUZZ_CHECK(fromBytes == bytes);

    // Text with characters above U+00FF, taken as UTF-16 units.
    const QString text(reinterpret_cast<const QChar *>(data), int(size / 2));
    const QByteArray fromText = qDecode(text);
    FUZZ_CHECK(fromText.size() <= text.size());
    FUZZ_CHECK(fromText == referenceDecode(text));
    return 0;
}
