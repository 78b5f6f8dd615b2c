#include "olm/bytehelpers.h"

unsigned char ProgramRunningOnPowerPc = 0;

namespace olmbytes {

namespace {

quint64 readNumber(const unsigned char *data, int width, unsigned char order)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i) {
        const int index = order == kBigEndian ? i : width - 1 - i;
        value = (value << 8) | data[index];
    }
    return value;
}

} // namespace

quint64 GetDWordValue(const unsigned char *data, std::size_t size, unsigned char order)
{
    return data && size >= 4 ? readNumber(data, 4, order) : 0;
}

qlonglong GetDDWordValue(const unsigned char *data, std::size_t size, unsigned char order)
{
    return data && size >= 8 ? qlonglong(readNumber(data, 8, order)) : 0;
}

QByteArray Bytes2Hex(unsigned char value)
{
    static const char kDigits[] = "0123456789ABCDEF";
    const char digits[2] = {kDigits[value >> 4], kDigits[value & 0x0F]};
    return QByteArray(digits, 2);
}

void GetUnicodeStringForPowerPC(unsigned char *text, std::size_t size, int length)
{
    if (!text || length <= 0)
        return;
    const std::size_t limit = std::size_t(qMin(length, 255));
    for (std::size_t i = 0; i < limit && i + 1 < size; i += 2)
        qSwap(text[i], text[i + 1]);
}

QByteArray GetNonUnicodeString(const unsigned char *source, std::size_t size, qint64 length)
{
    QByteArray text;
    if (!source || length <= 0)
        return text;
    const std::size_t count = qMin(size, std::size_t(length));
    for (std::size_t i = 0; i < count; ++i) {
        if (source[i] != 0)
            text.append(char(source[i]));
    }
    return text;
}

} // namespace olmbytes
