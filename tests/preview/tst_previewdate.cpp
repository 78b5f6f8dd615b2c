// The Date line: every accepted date form, what is dropped before parsing,
// and English names whatever the user's locale.

#include "preview/datenormaliser.h"
#include "preview/headerlines.h"
#include "support/globalsreset.h"

#include <QtTest>

#include <clocale>

using preview::PreviewKind;

Q_DECLARE_METATYPE(preview::PreviewKind)

namespace {

const char *const kGermanLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE"};

// Switches the process locale for one test and back.
class LocaleSwitch
{
public:
    explicit LocaleSwitch(const QByteArray &name)
        : m_saved(std::setlocale(LC_ALL, nullptr))
    {
        if (name == "C") {
            m_active = std::setlocale(LC_ALL, "C") != nullptr;
            return;
        }
        for (const char *candidate : kGermanLocales) {
            if (std::setlocale(LC_ALL, candidate)) {
                m_active = true;
                return;
            }
        }
    }
    ~LocaleSwitch() { std::setlocale(LC_ALL, m_saved.constData()); }
    bool isActive() const { return m_active; }

private:
    QByteArray m_saved;
    bool m_active = false;
};

} // namespace

class TestPreviewDate : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void dateLine_data();
    void dateLine();
    void removedTexts_data();
    void removedTexts();
};

void TestPreviewDate::dateLine_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    for (const QByteArray &locale : {QByteArray("C"), QByteArray("German")}) {
        auto row = [&](const char *name, const QByteArray &value, PreviewKind kind, const char *expected) {
            QTest::newRow(qPrintable(QLatin1String(name) + QLatin1Char('-') + QString::fromLatin1(locale)))
                << locale << value << kind << QString::fromLatin1(expected);
        };
        const PreviewKind range = PreviewKind::ByteRange;
        const PreviewKind whole = PreviewKind::WholeFile;
        row("weekday-and-numeric-zone", " Tue, 4 Mar 2014 21:05:09 +0000\n", range, "Date: 04 Mar 2014 09:05:09 PM");
        row("numeric-zone-shown-as-written", " Tue, 4 Mar 2014 21:05:09 -0800\n", whole,
            "Date: 04 Mar 2014 09:05:09 PM");
        row("zone-name-dropped-last-form-reads", " Tue, 4 Mar 2014 21:05:09 EST\n", range,
            "Date: 04 Mar 2014 09:05:09 PM");
        row("two-digit-year", " 5 Mar 14 10:30:00\n", range, "Date: 05 Mar 2014 10:30:00 AM");
        row("four-digit-year", " 5 Mar 2014 10:30:00\n", whole, "Date: 05 Mar 2014 10:30:00 AM");
        row("month-first-with-pm", " March 4 2014 09:05 PM\n", range, "Date: 04 Mar 2014 09:05:00 PM");
        row("month-first-with-am", " March 4 2014 09:05 AM\n", whole, "Date: 04 Mar 2014 09:05:00 AM");
        row("month-first-noon", " March 4 2014 12:05 PM\n", range, "Date: 04 Mar 2014 12:05:00 PM");
        row("month-first-midnight", " March 4 2014 12:05 AM\n", range, "Date: 04 Mar 2014 12:05:00 AM");
        row("marker-after-hour-above-twelve-no-match", " March 4 2014 21:05 PM\n", range, "Date: ");
        row("month-first-without-marker-no-match", " March 4 2014 21:05\n", range, "Date: ");
        row("long-date-with-zone-name", " Tue, 4 Mar 2014 21:05:09 +0000 (GMT)\n", whole,
            "Date: 04 Mar 2014 09:05:09 PM");
        row("india-standard-time-suffix", " Tue, 4 Mar 2014 21:05:09 +0530 (India Standard Time)\n", whole,
            "Date: 04 Mar 2014 09:05:09 PM");
        row("folded-date", " Tue, 4 Mar 2014\n 21:05:09\n", range, "Date: 04 Mar 2014 09:05:09 PM");
        row("cr-lf-date", " Tue, 4 Mar 2014 21:05:09 +0000\r\n", whole, "Date: 04 Mar 2014 09:05:09 PM");
        row("unreadable-date", " yesterday\n", range, "Date: ");
        row("single-blank", " \n", whole, "");
        row("empty-value-gives-empty-line", "\n", range, "");
        row("no-value-gives-empty-line", "", whole, "");
        row("no-blank-after-colon-read-whole", "Tue, 4 Mar 2014 21:05:09\n", range, "Date: 04 Mar 2014 09:05:09 PM");
    }
}

void TestPreviewDate::dateLine()
{
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, value);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    LocaleSwitch localeSwitch(locale);
    if (!localeSwitch.isActive())
        QSKIP("No German locale is installed on this machine.");
    QCOMPARE(preview::dateLine(value, kind), expected);
}

void TestPreviewDate::removedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PreviewKind>("kind");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zone-names-and-commas") << QStringLiteral("Tue, 4 Mar 2014 21:05:09 CDT EDT EST CST DST (UTC)\n")
                                           << PreviewKind::ByteRange << QStringLiteral("Tue 4 Mar 2014 21:05:09");
    QTest::newRow("parenthesised-zone-name-stays") << QStringLiteral("4 Mar 2014 (EST)") << PreviewKind::ByteRange
                                                   << QStringLiteral("4 Mar 2014 (EST)");
    QTest::newRow("carriage-return-stays") << QStringLiteral("4 Mar\r\n") << PreviewKind::WholeFile
                                           << QStringLiteral("4 Mar\r");
    QTest::newRow("india-standard-time-byte-range")
        << QStringLiteral("4 Mar (India Standard Time)") << PreviewKind::ByteRange << QStringLiteral("4 Mar");
    QTest::newRow("india-standard-time-kept-whole-file")
        << QStringLiteral("4 Mar (India Standard Time)") << PreviewKind::WholeFile
        << QStringLiteral("4 Mar (India Standard Time)");
}

void TestPreviewDate::removedTexts()
{
    QFETCH(QString, text);
    QFETCH(PreviewKind, kind);
    QFETCH(QString, expected);
    QCOMPARE(preview::cleanDateText(text, kind), expected);
}

QTEST_GUILESS_MAIN(TestPreviewDate)
#include "tst_previewdate.moc"
