#pragma once
// Byte sources of the backup walker: a file read through its descriptor or a
// buffer in memory, and a window reader over either. Every read is clamped to
// the source's size; bytes the source does not hold are never invented.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace olm {

// Opens the backup file at path read-only when it is a regular file: a FIFO
// or device in its place is refused at once, never waited on. Sets *size to
// the file's size. Returns the descriptor, which the caller closes, or -1
// with *size 0. The scan, the preview and the save all open the backup here.
int openBackupFile(const QString &path, qint64 *size);

// A fixed-size run of bytes that can be read at any offset.
class ByteSource
{
public:
    virtual ~ByteSource();
    virtual qint64 size() const = 0;
    // Copies up to count bytes at offset into out; returns how many were
    // copied (0 at or past the end, or on a read error).
    virtual qint64 readAt(qint64 offset, char *out, qint64 count) = 0;
};

// An open descriptor of a regular file; the descriptor stays the caller's.
class FileSource : public ByteSource
{
public:
    FileSource(int descriptor, qint64 size);
    qint64 size() const override;
    qint64 readAt(qint64 offset, char *out, qint64 count) override;

private:
    int m_descriptor;
    qint64 m_size;
};

// Bytes in memory, not copied: data must outlive the source.
class MemorySource : public ByteSource
{
public:
    explicit MemorySource(const QByteArray &data);
    qint64 size() const override;
    qint64 readAt(qint64 offset, char *out, qint64 count) override;

private:
    const QByteArray &m_data;
};

// A window of windowSize bytes over a source, moved to where it is read.
class WindowReader
{
public:
    WindowReader(ByteSource &source, qint64 windowSize);
    qint64 size() const { return m_size; }
    // The byte at offset, or -1 past the end.
    int byteAt(qint64 offset);
    // Bytes from offset to the window's end; *available tells how many (0
    // past the end). The window is moved to offset when fewer than minimum
    // bytes are left in it and the source holds more.
    const char *bytesAt(qint64 offset, qint64 *available, qint64 minimum = 1);
    // Up to count bytes at offset (fewer at the end of the source).
    QByteArray read(qint64 offset, qint64 count);
    // As read(), but bytes inside the window are handed out uncopied: the
    // result is valid until the window moves.
    QByteArray view(qint64 offset, qint64 count);
    // The count bytes at offset when they all lie in the window, else null.
    const char *peek(qint64 offset, qint64 count) const;
    // Up to count bytes at offset, as a pointer into the window or into a
    // copy in scratch; *got tells how many.
    const char *fetch(qint64 offset, qint64 count, QByteArray &scratch, qint64 *got);
    // A little-endian unsigned value of width bytes (2, 4 or 8) at offset;
    // bytes past the end count as zero.
    quint64 readLittleEndian(qint64 offset, int width);
    // Whether count bytes at offset equal text.
    bool matches(qint64 offset, const char *text, int count);

private:
    bool load(qint64 offset);

    ByteSource &m_source;
    qint64 m_size;
    QByteArray m_window;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
};

} // namespace olm
