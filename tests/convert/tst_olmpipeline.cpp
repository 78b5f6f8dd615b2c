// The composing pipeline: every message appended whole, in the order queued,
// to its own file, whether composed ahead in batches or streamed, and the
// counts of what was and was not written.

#include "convert/mboxappender.h"
#include "convert/olmcompose.h"
#include "convert/olmpipeline.h"
#include "olm/mailmlrc.h"
#include "support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/resource.h>

using namespace olmcompose;
using olmsaving::ComposePipeline;

namespace {

using testfiles::readAll;

// The same for every call and every thread, so that the composition of a
// record does not depend on which thread composed it or when.
Sources fixedSources()
{
    Sources sources;
    sources.now = [] { return QDateTime(QDate(2014, 12, 5), QTime(10, 37, 38), Qt::OffsetFromUTC, 3600); };
    sources.random = [] { return 4711u; };
    sources.uuid = [] { return QUuid(7, 0, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 0); };
    return sources;
}

// Sets the file-size limit of the process for the life of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        if (bytes > 0)
            limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class TestOlmPipeline : public QObject
{
    Q_OBJECT

private slots:
    void appendsInQueueOrder_data();
    void appendsInQueueOrder();
};

void TestOlmPipeline::appendsInQueueOrder_data()
{
    QTest::addColumn<int>("workers");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("largeEvery");  // every n-th record has an attachment streamed (0: none)
    QTest::addColumn<int>("skipEvery");   // every n-th record goes to a target without file (0: none)
    QTest::addColumn<qint64>("sizeLimit"); // file-size limit of the process (0: none)
    QTest::newRow("small-messages-in-many-batches") << 3 << 400 << 0 << 0 << qint64(0);
    QTest::newRow("large-messages-streamed-between") << 3 << 60 << 7 << 0 << qint64(0);
    QTest::newRow("one-worker") << 1 << 120 << 11 << 0 << qint64(0);
    QTest::newRow("no-workers-writer-composes") << 0 << 40 << 9 << 0 << qint64(0);
    QTest::newRow("skip-target-not-written") << 2 << 90 << 0 << 4 << qint64(0);
    // Runs that pass the limit are written record by record: those that fit stay.
    QTest::newRow("size-limit-keeps-records-that-fit") << 3 << 200 << 0 << 0 << qint64(900000);
}

void TestOlmPipeline::appendsInQueueOrder()
{
    QFETCH(int, workers);
    QFETCH(int, records);
    QFETCH(int, largeEvery);
    QFETCH(int, skipEvery);
    QFETCH(qint64, sizeLimit);
    QTemporaryDir dir;

    // A backup of text bodies and one attachment larger than a composed batch may hold.
    QByteArray backup;
    for (int i = 0; backup.size() < 40000; ++i)
        backup += "Line " + QByteArray::number(i) + " of the body, with = and &amp; and caf\xc3\xa9.\r\n";
    const int attachmentOffset = backup.size();
    backup += QByteArray(int(ComposePipeline::kLargestComposedAhead), 'a');

    std::vector<std::unique_ptr<MailMLRC>> list;
    std::vector<outputpaths::OutputTarget> targets;
    const outputpaths::OutputTarget files[] = {{dir.path(), dir.filePath(QStringLiteral("a.mbox"))},
                                               {dir.path(), dir.filePath(QStringLiteral("b.mbox"))}};
    for (int i = 0; i < records; ++i) {
        list.push_back(std::make_unique<MailMLRC>());
        MailMLRC &r = *list.back();
        r.szSubject = "Message " + QByteArray::number(i);
        r.szMessageID = QByteArray::number(i).rightJustified(32, '0');
        r.szReceivedTime = "Fri, 19 Dec 2014 10:37:38 +0530";
        r.llBodyOffset = i * 13 % 1000;
        r.llBodyLength = 1000 + i * 97 % 30000;
        if (largeEvery > 0 && i % largeEvery == 1) {
            r.pAttachNames = "big.bin;";
            r.pAttachContentTypes = "application/octet-stream;";
            r.pAttachContentIDs = "no;";
            r.pAttachURLs = "entry;";
            r.pAttachOffsets = QByteArray::number(attachmentOffset) + ';';
            r.pAttachSizes = QByteArray::number(ComposePipeline::kLargestComposedAhead) + ';';
        }
        // Runs of records per file, the runs of unequal length.
        const bool skip = skipEvery > 0 && i % skipEvery == 0;
        targets.push_back(skip ? outputpaths::OutputTarget() : files[(i / 5 + i / 17) % 2]);
    }

    // What the records give composed one by one, each kept when its file
    // takes it whole.
    QMap<QString, QByteArray> expected;
    int expectWritten = 0;
    for (int i = 0; i < records; ++i) {
        BufferBackupReader reader(backup);
        ByteArraySink sink;
        composeMessage(*list[size_t(i)], reader, fixedSources(), sink);
        QByteArray &file = expected[targets[size_t(i)].file];
        if (!targets[size_t(i)].isSkip() && (sizeLimit == 0 || file.size() + sink.bytes.size() <= sizeLimit)) {
            file += sink.bytes;
            ++expectWritten;
        }
    }
    QVERIFY(sizeLimit == 0 || expectWritten < records);

    MboxAppender appender;
    BufferBackupReader reader(backup);
    olmsaving::PipelineCounts counts;
    {
        const FileSizeLimit limit(sizeLimit);
        olmsaving::ComposePipeline pipeline(appender, reader, fixedSources(), workers);
        for (int i = 0; i < records; ++i)
            pipeline.add(*list[size_t(i)], targets[size_t(i)]);
        counts = pipeline.finish();
    }
    appender.close();

    QCOMPARE(counts.written, qint64(expectWritten));
    QCOMPARE(counts.notWritten, qint64(records - expectWritten));
    QCOMPARE(counts.shortReads, qint64(0));
    for (const outputpaths::OutputTarget &file : files) {
        const QByteArray actual = readAll(file.file);
        QCOMPARE(actual.size(), expected.value(file.file).size());
        QVERIFY(actual == expected.value(file.file));
    }
}

QTEST_GUILESS_MAIN(TestOlmPipeline)
#include "tst_olmpipeline.moc"
