#include "olm/olmsource.h"

#include "platform/safefiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace olm {

namespace {
// Bytes read after a jump: a local header with its name and extra field.
constexpr qint64 kJumpBlock = 4096;
} // namespace

int openBackupFile(const QString &path, qint64 *size)
{
    *size = 0;
    const int descriptor = platform::openRegularFile(path);
    if (descriptor < 0)
        return -1;
    struct stat info;
    if (::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        return -1;
    }
    *size = qint64(info.st_size);
    return descriptor;
}

ByteSource::~ByteSource() = default;

FileSource::FileSource(int descriptor, qint64 size)
    : m_descriptor(descriptor)
    , m_size(size)
{
}

qint64 FileSource::size() const
{
    return m_size;
}

qint64 FileSource::readAt(qint64 offset, char *out, qint64 count)
{
    if (offset < 0 || offset >= m_size || count <= 0)
        return 0;
    count = qMin(count, m_size - offset);
    qint64 done = 0;
    while (done < count) {
        const ssize_t got = ::pread(m_descriptor, out + done, std::size_t(count - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

MemorySource::MemorySource(const QByteArray &data)
    : m_data(data)
{
}

qint64 MemorySource::size() const
{
    return m_data.size();
}

qint64 MemorySource::readAt(qint64 offset, char *out, qint64 count)
{
    if (offset < 0 || offset >= m_data.size() || count <= 0)
        return 0;
    count = qMin(count, qint64(m_data.size()) - offset);
    std::memcpy(out, m_data.constData() + offset, std::size_t(count));
    return count;
}

WindowReader::WindowReader(ByteSource &source, qint64 windowSize)
    : m_source(source)
    , m_size(source.size())
{
    // No larger than the source: small files get small windows.
    m_window.resize(int(qBound<qint64>(1, qMin(windowSize, m_size), 64 << 20)));
}

bool WindowReader::load(qint64 offset)
{
    if (offset < 0 || offset >= m_size)
        return false;
    if (offset >= m_windowStart && offset < m_windowStart + m_windowLength)
        return true;
    // Reading on from the window, or a short jump past its end, fills the
    // whole window: with entries close together a read is far cheaper than
    // a call per entry. A long jump (over a large entry) reads one small
    // block, so the data of large entries passed over is never copied.
    const qint64 windowEnd = m_windowStart + m_windowLength;
    const bool near = offset >= windowEnd && offset - windowEnd < m_window.size();
    const qint64 want = near ? m_window.size() : qMin<qint64>(m_window.size(), kJumpBlock);
    m_windowStart = offset;
    m_windowLength = m_source.readAt(offset, m_window.data(), want);
    return m_windowLength > 0;
}

int WindowReader::byteAt(qint64 offset)
{
    if (!load(offset))
        return -1;
    return static_cast<unsigned char>(m_window.at(int(offset - m_windowStart)));
}

const char *WindowReader::bytesAt(qint64 offset, qint64 *available, qint64 minimum)
{
    const qint64 windowEnd = m_windowStart + m_windowLength;
    if (offset >= m_windowStart && offset < windowEnd && windowEnd - offset < minimum && windowEnd < m_size)
        m_windowLength = 0; // too little left: move the window to offset
    if (!load(offset)) {
        *available = 0;
        return nullptr;
    }
    const qint64 inWindow = offset - m_windowStart;
    *available = m_windowLength - inWindow;
    return m_window.constData() + inWindow;
}

QByteArray WindowReader::read(qint64 offset, qint64 count)
{
    if (offset < 0 || offset >= m_size || count <= 0)
        return QByteArray();
    count = qMin(count, m_size - offset);
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowLength)
        return QByteArray(m_window.constData() + (offset - m_windowStart), int(count));
    QByteArray bytes;
    bytes.resize(int(count));
    const qint64 got = m_source.readAt(offset, bytes.data(), count);
    bytes.resize(int(qMax<qint64>(0, got)));
    return bytes;
}

QByteArray WindowReader::view(qint64 offset, qint64 count)
{
    if (offset < 0 || offset >= m_size || count <= 0)
        return QByteArray();
    count = qMin(count, m_size - offset);
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowLength)
        return QByteArray::fromRawData(m_window.constData() + (offset - m_windowStart), int(count));
    return read(offset, count);
}

const char *WindowReader::peek(qint64 offset, qint64 count) const
{
    if (offset >= m_windowStart && count >= 0 && offset + count <= m_windowStart + m_windowLength)
        return m_window.constData() + (offset - m_windowStart);
    return nullptr;
}

const char *WindowReader::fetch(qint64 offset, qint64 count, QByteArray &scratch, qint64 *got)
{
    *got = 0;
    if (offset < 0 || offset >= m_size || count <= 0)
        return nullptr;
    count = qMin(count, m_size - offset);
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowLength) {
        *got = count;
        return m_window.constData() + (offset - m_windowStart);
    }
    scratch = read(offset, count);
    *got = scratch.size();
    return scratch.constData();
}

quint64 WindowReader::readLittleEndian(qint64 offset, int width)
{
    if (offset >= m_windowStart && offset + width <= m_windowStart + m_windowLength) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(m_window.constData() + (offset - m_windowStart));
        quint64 value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | bytes[i];
        return value;
    }
    quint64 value = 0;
    for (int i = 0; i < width; ++i) {
        const int byte = byteAt(offset + i);
        value |= quint64(byte < 0 ? 0 : byte) << (8 * i);
    }
    return value;
}

bool WindowReader::matches(qint64 offset, const char *text, int count)
{
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowLength)
        return std::memcmp(m_window.constData() + (offset - m_windowStart), text, std::size_t(count)) == 0;
    for (int i = 0; i < count; ++i) {
        if (byteAt(offset + i) != static_cast<unsigned char>(text[i]))
            return false;
    }
    return true;
}

} // namespace olm
