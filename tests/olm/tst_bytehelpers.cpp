// The byte helpers: both byte orders of the integer readers, the hexadecimal
// digits, the pair swapper's limits and the zero-dropping copier, none of
// them reading or writing past the buffer they are given; and the main
// window's members of the same names, which give the same results.

#include "app/mainwindowfixture.h"
#include "olm/bytehelpers.h"

#include <QtTest>

#include <cstdlib>

using namespace olmbytes;

namespace {
const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}
} // namespace

class TestByteHelpers : public QObject
{
    Q_OBJECT

private slots:
    void readsIntegers_data();
    void readsIntegers();
    void formatsAndCopiesBytes();
    void swapsPairsWithinLimits_data();
    void swapsPairsWithinLimits();
    void windowMembersAgree_data();
    void windowMembersAgree();
};

void TestByteHelpers::readsIntegers_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("order");
    QTest::addColumn<quint64>("dword");
    QTest::addColumn<qlonglong>("ddword");
    const QByteArray d("\x12\x34\x56\x78", 4);
    QTest::newRow("dword-big-endian") << d << 1 << quint64(0x12345678) << 0LL;
    QTest::newRow("dword-little-endian-0") << d << 0 << quint64(0x78563412) << 0LL;
    QTest::newRow("dword-little-endian-255") << d << 255 << quint64(0x78563412) << 0LL;
    QTest::newRow("ddword-negative-big-endian") << QByteArray("\x80\0\0\0\0\0\0\x01", 8) << 1 << quint64(0x80000000)
                                                << qlonglong(std::numeric_limits<qint64>::min() + 1);
    QTest::newRow("ddword-one-little-endian") << QByteArray("\x01\0\0\0\0\0\0\0", 8) << 0 << quint64(1) << 1LL;
    QTest::newRow("ddword-one-big-endian-is-2^56") << QByteArray("\x01\0\0\0\0\0\0\0", 8) << 1
                                                   << quint64(0x01000000) << (1LL << 56);
    QTest::newRow("too-short-reads-nothing") << QByteArray("\x01\x02\x03", 3) << 1 << quint64(0) << 0LL;
}

void TestByteHelpers::readsIntegers()
{
    QFETCH(QByteArray, data);
    QFETCH(int, order);
    QFETCH(quint64, dword);
    QFETCH(qlonglong, ddword);
    QCOMPARE(GetDWordValue(bytes(data), std::size_t(data.size()), uchar(order)), dword);
    QCOMPARE(GetDDWordValue(bytes(data), std::size_t(data.size()), uchar(order)), ddword);
}

void TestByteHelpers::formatsAndCopiesBytes()
{
    QCOMPARE(Bytes2Hex(0), QByteArray("00"));
    QCOMPARE(Bytes2Hex(10), QByteArray("0A"));
    QCOMPARE(Bytes2Hex(171), QByteArray("AB"));
    QCOMPARE(Bytes2Hex(255), QByteArray("FF"));
    const QByteArray utf16("A\0B\0", 4);
    QCOMPARE(GetNonUnicodeString(bytes(utf16), 4, 4), QByteArray("AB"));
    QCOMPARE(GetNonUnicodeString(bytes("abcd"), 4, 4), QByteArray("abcd"));
    QCOMPARE(GetNonUnicodeString(nullptr, 4, 4), QByteArray());
    QCOMPARE(GetNonUnicodeString(bytes(utf16), 4, 0), QByteArray());
    QCOMPARE(GetNonUnicodeString(bytes("abcd"), 2, 1000), QByteArray("ab"));
}

void TestByteHelpers::swapsPairsWithinLimits_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("swappedBytes"); // bytes from 0 that end up swapped
    QTest::newRow("length-4") << 300 << 4 << 4;
    QTest::newRow("odd-length-takes-the-next-byte") << 300 << 3 << 4;
    QTest::newRow("length-1000-stops-at-256") << 300 << 1000 << 256;
    QTest::newRow("length-0") << 300 << 0 << 0;
    QTest::newRow("negative-length") << 300 << -2 << 0;
    QTest::newRow("odd-buffer-keeps-its-last-byte") << 5 << 1000 << 4;
}

void TestByteHelpers::swapsPairsWithinLimits()
{
    QFETCH(int, size);
    QFETCH(int, length);
    QFETCH(int, swappedBytes);
    QByteArray text(size, '\0');
    for (int i = 0; i < size; ++i)
        text[i] = char(i);
    GetUnicodeStringForPowerPC(reinterpret_cast<unsigned char *>(text.data()), std::size_t(size), length);
    for (int i = 0; i < size; ++i) {
        const int expected = i < swappedBytes ? (i ^ 1) : i;
        QCOMPARE(int(uchar(text.at(i))), expected & 0xFF);
    }
}

void TestByteHelpers::windowMembersAgree_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("length"); // of the swapper and the copier
    const QByteArray numbers("\x12\x34\x56\x78\x9a\xbc\xde\xf0", 8);
    QByteArray counting(300, '\0');
    for (int i = 0; i < counting.size(); ++i)
        counting[i] = char(i);
    QTest::newRow("big-endian") << numbers << 1 << 8;
    QTest::newRow("little-endian-0") << numbers << 0 << 8;
    QTest::newRow("little-endian-255") << numbers << 255 << 8;
    QTest::newRow("negative-ddword") << QByteArray("\x80\0\0\0\0\0\0\x01", 8) << 1 << 8;
    QTest::newRow("utf-16-text") << QByteArray("A\0B\0", 4) << 0 << 4;
    QTest::newRow("odd-length-takes-the-next-byte") << counting << 1 << 3;
    QTest::newRow("length-1000-stops-at-256") << counting << 0 << 1000;
    QTest::newRow("length-0") << counting << 1 << 0;
    QTest::newRow("negative-length") << counting << 1 << -2;
}

void TestByteHelpers::windowMembersAgree()
{
    QFETCH(QByteArray, data);
    QFETCH(int, order);
    QFETCH(int, length);
    MainWindowFixture fixture;
    fixture.setUp();
    QConverterMainWindow *window = fixture.window;
    QCOMPARE(int(ProgramRunningOnPowerPc), 0);
    // Every member is given a buffer as large as it may touch.
    QByteArray buffer = data + QByteArray(300 - data.size(), '\0');
    auto *raw = reinterpret_cast<unsigned char *>(buffer.data());

    // The readers are slots, reached by name through the meta-object.
    ulong dword = 0;
    qlonglong ddword = 0;
    QVERIFY(QMetaObject::invokeMethod(window, "GetDWordValue", Qt::DirectConnection, Q_RETURN_ARG(ulong, dword),
                                      Q_ARG(unsigned char *, raw), Q_ARG(unsigned char, uchar(order))));
    QVERIFY(QMetaObject::invokeMethod(window, "GetDDWordValue", Qt::DirectConnection, Q_RETURN_ARG(qlonglong, ddword),
                                      Q_ARG(unsigned char *, raw), Q_ARG(unsigned char, uchar(order))));
    QCOMPARE(quint64(dword), GetDWordValue(raw, 4, uchar(order)));
    QCOMPARE(ddword, GetDDWordValue(raw, 8, uchar(order)));

    char *hex = window->Bytes2Hex(raw[0]);
    QCOMPARE(QByteArray(hex, 2), Bytes2Hex(raw[0]));
    std::free(hex);

    const int copied = qBound(0, length, buffer.size());
    char *text = window->GetNonUnicodeString(raw, ulong(copied));
    const QByteArray expected = GetNonUnicodeString(raw, std::size_t(buffer.size()), copied);
    QCOMPARE(QByteArray(text, expected.size() + 1), expected + '\0');
    delete[] text;

    QByteArray swapped = buffer;
    window->GetUnicodeStringForPowerPC(reinterpret_cast<unsigned char *>(swapped.data()), length);
    GetUnicodeStringForPowerPC(raw, std::size_t(buffer.size()), length);
    QCOMPARE(swapped, buffer);
    fixture.tearDown();
}

QTEST_MAIN(TestByteHelpers)
#include "tst_bytehelpers.moc"
