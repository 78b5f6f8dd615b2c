#pragma once
// Pieces shared by the discovery routines of the scanning thread: the gate
// that lets a progress value through only when its whole percentage moved,
// the open test of a listed file, and the report of skipped files.

#include <QString>
#include <atomic>
#include <optional>

namespace discovery {

// Apple Mail's news-feed mailbox holds no mail; paths below it are passed over.
extern const QLatin1String kNewsFeedMarker;

// Lets a progress value through only when its whole-number part differs
// from that of the value let through last; the first value always passes.
class ProgressGate
{
public:
    // True when value is to be sent; it then becomes the value last sent.
    bool pass(double value);

private:
    std::optional<qint64> m_lastWhole;
};

// True when path names a regular file, links followed.
bool isRegularFile(const QString &path);

// True when path names a regular file (links followed) that opens for
// reading. Never blocks: a FIFO or a device fails the test unopened.
bool opensForReading(const QString &path);

// The line the scan writes to the standard output when it skipped files.
QByteArray skippedFilesLine(int skipped);
// Writes skippedFilesLine to the standard output when skipped is not 0.
void reportSkippedFiles(int skipped);

// Reports the skipped-file count when a routine returns, however it ends.
class SkippedFilesReport
{
public:
    explicit SkippedFilesReport(const std::atomic<int> &skipped) : m_skipped(skipped) {}
    ~SkippedFilesReport() { reportSkippedFiles(m_skipped); }
    SkippedFilesReport(const SkippedFilesReport &) = delete;
    SkippedFilesReport &operator=(const SkippedFilesReport &) = delete;

private:
    const std::atomic<int> &m_skipped;
};

} // namespace discovery
