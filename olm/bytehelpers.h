#pragma once
// Byte-level helpers: fixed-width integer readers with a byte-order argument,
// a byte-to-hexadecimal formatter, a UTF-16 byte-pair swapper and a copier
// that drops zero bytes. Each takes the size of the buffer it is given and
// never reads or writes past it.

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>

// Whether the host is big-endian: 0 throughout, as nothing sets it. The
// readers' byte order follows their order argument alone.
extern unsigned char ProgramRunningOnPowerPc;

namespace olmbytes {

// Byte order argument of the readers: 1 reads big-endian, any other value
// little-endian (the host order).
constexpr unsigned char kBigEndian = 1;

// Four bytes at data as an unsigned number; 0 when size is below 4.
quint64 GetDWordValue(const unsigned char *data, std::size_t size, unsigned char order);
// Eight bytes at data as a signed number (a top byte of 0x80 or more gives a
// negative value); 0 when size is below 8.
qlonglong GetDDWordValue(const unsigned char *data, std::size_t size, unsigned char order);
// The two upper-case hexadecimal digits of value, high digit first.
QByteArray Bytes2Hex(unsigned char value);
// Swaps, in place, the bytes of each pair (0,1), (2,3), ... whose first index
// is below min(length, 255) and whose second byte lies inside size.
void GetUnicodeStringForPowerPC(unsigned char *text, std::size_t size, int length);
// The first length bytes of source (at most size) without their zero bytes;
// empty for a null source or a length of 0 or less.
QByteArray GetNonUnicodeString(const unsigned char *source, std::size_t size, qint64 length);

} // namespace olmbytes
