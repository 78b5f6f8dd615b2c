// The main window's byte helpers: adapters that hand the helpers of
// olm/bytehelpers.h the buffer sizes the callers of these members provide.

#include "app/mainwindow.h"
#include "olm/bytehelpers.h"

#include <climits>
#include <cstdlib>
#include <cstring>

ulong QConverterMainWindow::GetDWordValue(unsigned char *data, unsigned char order)
{
    return ulong(olmbytes::GetDWordValue(data, 4, order));
}

qlonglong QConverterMainWindow::GetDDWordValue(unsigned char *data, unsigned char order)
{
    return olmbytes::GetDDWordValue(data, 8, order);
}

char *QConverterMainWindow::Bytes2Hex(unsigned char value)
{
    char *digits = static_cast<char *>(std::calloc(2, 1));
    if (digits)
        std::memcpy(digits, olmbytes::Bytes2Hex(value).constData(), 2);
    return digits;
}

void QConverterMainWindow::GetUnicodeStringForPowerPC(unsigned char *text, int length)
{
    if (length <= 0)
        return;
    // The pairs below min(length, 255), an odd length's last pair included.
    const int touched = qMin(length + (length & 1), 256);
    olmbytes::GetUnicodeStringForPowerPC(text, std::size_t(touched), length);
}

char *QConverterMainWindow::GetNonUnicodeString(unsigned char *source, unsigned long length)
{
    char *text = new char[length + 1]();
    const QByteArray kept = olmbytes::GetNonUnicodeString(source, length, qint64(qMin<unsigned long>(length, INT_MAX)));
    std::memcpy(text, kept.constData(), std::size_t(kept.size()));
    return text;
}
