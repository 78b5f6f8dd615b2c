#pragma once
// Shared by the fuzz targets: a check that aborts, so libFuzzer keeps the
// input, and a file held in memory for the routines that read a path.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// An anonymous in-memory file holding the fuzz input, named by a path
// that the routines under test open like any file on disk.
class MemoryFile
{
public:
    MemoryFile(const uint8_t *data, size_t size)
    {
        m_fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
        FUZZ_CHECK(m_fd >= 0);
        size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_fd, data + written, size - written);
            FUZZ_CHECK(n > 0);
            written += size_t(n);
        }
        m_path = QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    const QString &path() const { return m_path; }

private:
    int m_fd = -1;
    QString m_path;
};
