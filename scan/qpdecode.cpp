#include "scan/qpdecode.h"

#include "scan/messagesavingthread.h"

namespace {

// Values of the characters "0" (code 48) to "F" (code 70); the seven
// characters between "9" and "A" count as 0.
const int hexVal[23] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 10, 11, 12, 13, 14, 15};

int digitValue(QChar c)
{
    const int index = int(c.toUpper().unicode()) - '0';
    if (index < 0 || index >= int(sizeof hexVal / sizeof hexVal[0]))
        return 0;
    return hexVal[index];
}

} // namespace

QByteArray qDecode(const QString &text)
{
    QByteArray result;
    result.reserve(text.size());
    const int size = text.size();
    int i = 0;
    while (i < size) {
        const ushort code = text.at(i).unicode();
        const char byte = code <= 0xff ? char(code) : '\0';
        if (byte != '=') {
            result.append(byte);
            ++i;
            continue;
        }
        // An escape needs two characters after it; a cut-off one ends the text.
        if (i + 2 >= size)
            break;
        result.append(char(16 * digitValue(text.at(i + 1)) + digitValue(text.at(i + 2))));
        i += 3;
    }
    return result;
}

QByteArray qDecodeBytes(const QByteArray &bytes)
{
    return qDecode(QString::fromLatin1(bytes.constData(), bytes.size()));
}

QByteArray QMessageSavingThread::QDecode(const QString &text)
{
    return qDecode(text);
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
