// The free helpers beside the Preferences dialog: rounded regions, the
// 1904-epoch calendar and compact timestamp texts.

#include "dialogs/preferenceshelpers.h"

#include <QtTest>

namespace {
int regionArea(const QRegion &region)
{
    int area = 0;
    for (const QRect &r : region)
        area += r.width() * r.height();
    return area;
}
} // namespace

class TestPreferencesHelpers : public QObject
{
    Q_OBJECT

private slots:
    void roundedRectPoints_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("r");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("inside");
        const QRect box(10, 20, 100, 50); // right 109, bottom 69
        QTest::newRow("r0-top-left-corner") << box << 0 << QPoint(10, 20) << true;
        QTest::newRow("r0-bottom-right-corner") << box << 0 << QPoint(109, 69) << true;
        QTest::newRow("r0-just-outside") << box << 0 << QPoint(110, 69) << false;
        QTest::newRow("r4-top-left-corner-cut") << box << 4 << QPoint(10, 20) << false;
        QTest::newRow("r4-top-right-corner-cut") << box << 4 << QPoint(109, 20) << false;
        QTest::newRow("r4-bottom-left-corner-cut") << box << 4 << QPoint(10, 69) << false;
        QTest::newRow("r4-bottom-right-corner-cut") << box << 4 << QPoint(109, 69) << false;
        QTest::newRow("r4-top-band-starts-at-r") << box << 4 << QPoint(14, 20) << true;
        QTest::newRow("r4-left-band-starts-at-r") << box << 4 << QPoint(10, 24) << true;
        QTest::newRow("r4-inside-corner-ellipse") << box << 4 << QPoint(12, 22) << true;
        QTest::newRow("r4-centre") << box << 4 << QPoint(60, 45) << true;
    }

    void roundedRectPoints()
    {
        QFETCH(QRect, rect);
        QFETCH(int, r);
        QFETCH(QPoint, point);
        QFETCH(bool, inside);
        QCOMPARE(roundedRect(rect, r).contains(point), inside);
    }

    void roundedRectAreas_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<bool>("wholeRect");
        QTest::newRow("r0-no-corners") << 0 << true;
        QTest::newRow("r1-two-pixel-ellipses-fill-their-corners") << 1 << true;
        QTest::newRow("r4-nine-pixel-corners") << 4 << false;
        QTest::newRow("r10-twenty-two-pixel-corners") << 10 << false;
    }

    void roundedRectAreas()
    {
        QFETCH(int, r);
        QFETCH(bool, wholeRect);
        const QRect box(5, 7, 80, 40);
        const QRegion region = roundedRect(box, r);
        QVERIFY(QRegion(box).contains(region.boundingRect()));
        const int cut = box.width() * box.height() - regionArea(region);
        if (wholeRect) {
            QCOMPARE(region, QRegion(box));
            return;
        }
        // Only the corners lose pixels, never more than the part of each
        // corner square that lies outside both bands.
        QVERIFY(cut > 0);
        QVERIFY(cut <= 4 * r * r);
        QCOMPARE(region.boundingRect(), box);
    }

    void getTime_data()
    {
        QTest::addColumn<qulonglong>("seconds");
        QTest::addColumn<QDateTime>("expected");
        auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
        };
        QTest::newRow("epoch") << 0ULL << at(1904, 1, 1, 0, 0, 0);
        QTest::newRow("leap-day-1904") << 5097600ULL << at(1904, 2, 29, 0, 0, 0);
        QTest::newRow("last-second-of-leap-year") << 31622399ULL << at(1904, 12, 31, 23, 59, 59);
        QTest::newRow("first-common-year") << 31622400ULL << at(1905, 1, 1, 0, 0, 0);
        QTest::newRow("end-of-1905-february") << 31622400ULL + 58 * 86400ULL + 86399 << at(1905, 2, 28, 23, 59, 59);
        QTest::newRow("march-1905") << 31622400ULL + 59 * 86400ULL << at(1905, 3, 1, 0, 0, 0);
        QTest::newRow("last-year-of-cycle") << 31622400ULL + 2 * 31536000ULL << at(1907, 1, 1, 0, 0, 0);
        QTest::newRow("next-cycle") << 126230400ULL << at(1908, 1, 1, 0, 0, 0);
        QTest::newRow("end-of-32-bit-count") << 4294967295ULL << at(2040, 2, 6, 6, 28, 15);
    }

    void getTime()
    {
        QFETCH(qulonglong, seconds);
        QFETCH(QDateTime, expected);
        _SYSTEMTIME out;
        out.wDayOfWeek = 7;
        out.wMilliseconds = 999;
        GetTime(&out, static_cast<unsigned long>(seconds));
        QCOMPARE(QDateTime(QDate(out.wYear, out.wMonth, out.wDay),
                           QTime(out.wHour, out.wMinute, out.wSecond), Qt::UTC),
                 expected);
        QCOMPARE(int(out.wDayOfWeek), 7);
        QCOMPARE(int(out.wMilliseconds), 999);
    }

    void getTimeFollowsTheCalendarUntil2100()
    {
        const QDateTime epoch(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime lastAgreeing(QDate(2100, 2, 28), QTime(23, 59, 59), Qt::UTC);
        const qint64 end = epoch.secsTo(lastAgreeing);
        // One sample a little over every 11 days, plus the last agreeing second.
        for (qint64 s = 0; s <= end; s += 987654) {
            _SYSTEMTIME out;
            GetTime(&out, static_cast<unsigned long>(s));
            const QDateTime got(QDate(out.wYear, out.wMonth, out.wDay),
                                QTime(out.wHour, out.wMinute, out.wSecond), Qt::UTC);
            QCOMPARE(got, epoch.addSecs(s));
        }
        _SYSTEMTIME out;
        GetTime(&out, static_cast<unsigned long>(end + 1));
        // Every fourth year is leap here, so 2100 gains a 29 February.
        QCOMPARE(QString::asprintf("%04d-%02d-%02d", out.wYear, out.wMonth, out.wDay),
                 QStringLiteral("2100-02-29"));
    }

    void getDate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::addColumn<bool>("now");
        auto local = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
        };
        QTest::newRow("four-digit-year-with-seconds") << QByteArray("202402291530.45") << local(2024, 2, 29, 15, 30, 45) << false;
        QTest::newRow("four-digit-year-minutes") << QByteArray("199912312359") << local(1999, 12, 31, 23, 59, 0) << false;
        QTest::newRow("two-digit-year-with-seconds") << QByteArray("2403011200.07") << local(2024, 3, 1, 12, 0, 7) << false;
        QTest::newRow("two-digit-year-minutes") << QByteArray("9907041800") << local(1999, 7, 4, 18, 0, 0) << false;
        QTest::newRow("fourteen-digits-without-dot") << QByteArray("20240229153045") << QDateTime() << false;
        QTest::newRow("dot-in-wrong-place") << QByteArray("20240229153.045") << QDateTime() << false;
        QTest::newRow("short-form-dot-in-wrong-place") << QByteArray("240301120.07") << QDateTime() << false;
        QTest::newRow("month-13") << QByteArray("202413011200") << QDateTime() << false;
        QTest::newRow("february-30") << QByteArray("202402301200") << QDateTime() << false;
        QTest::newRow("hour-24") << QByteArray("202402012400") << QDateTime() << false;
        QTest::newRow("sign-in-digits") << QByteArray("-02402011200") << QDateTime() << false;
        QTest::newRow("blank-in-digits") << QByteArray("2024 2011200") << QDateTime() << false;
        QTest::newRow("empty") << QByteArray("") << QDateTime() << false;
        QTest::newRow("now-lower-case") << QByteArray("-now") << QDateTime() << true;
        QTest::newRow("now-upper-case") << QByteArray("-NOW") << QDateTime() << true;
        QTest::newRow("now-mixed-case") << QByteArray("-nOw") << QDateTime() << true;
        QTest::newRow("now-followed-by-more") << QByteArray("-now ") << QDateTime() << false;
        QTest::newRow("now-without-dash") << QByteArray("now") << QDateTime() << false;
    }

    void getDate()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, expected);
        QFETCH(bool, now);
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime got = ::getDate(text.constData());
        if (now) {
            QVERIFY(before <= got && got <= QDateTime::currentDateTime());
            return;
        }
        QCOMPARE(got.isNull(), expected.isNull());
        if (!expected.isNull())
            QCOMPARE(got, expected);
        QVERIFY(::getDate(nullptr).isNull());
    }

    void twoDigitYears_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("currentYear");
        QTest::addColumn<int>("year");
        QTest::newRow("this-year") << QByteArray("2601011200") << 2026 << 2026;
        QTest::newRow("nineteen-ahead") << QByteArray("4501011200") << 2026 << 2045;
        QTest::newRow("twenty-ahead-is-last-century") << QByteArray("4601011200") << 2026 << 1946;
        QTest::newRow("eighty-back") << QByteArray("4601011200") << 2026 << 1946;
        QTest::newRow("eighty-one-back-is-next-century") << QByteArray("4501011200.00") << 2026 << 2045;
        QTest::newRow("turn-of-century-window") << QByteArray("0001011200") << 1990 << 2000;
        QTest::newRow("late-last-century") << QByteArray("9901011200") << 2010 << 1999;
    }

    void twoDigitYears()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, currentYear);
        QFETCH(int, year);
        const QDateTime got = preferenceshelpers::parseTimestamp(text.constData(), currentYear);
        QVERIFY(got.isValid());
        QCOMPARE(got.date().year(), year);
        QCOMPARE(preferenceshelpers::fullYearOfTwoDigits(year % 100, currentYear), year);
    }
};

QTEST_GUILESS_MAIN(TestPreferencesHelpers)
#include "tst_preferenceshelpers.moc"
