#pragma once
// A guard for tests that put a FIFO where a file is expected: a reader that
// opens the FIFO would wait for a writer for ever and hang the test, so the
// guard plays the writer, lets the reader go, and says that it had to.

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

class FifoRelease
{
public:
    explicit FifoRelease(const QString &path)
        : m_path(QFile::encodeName(path))
        , m_thread([this] { watch(); })
    {
    }
    ~FifoRelease()
    {
        m_done = true;
        m_thread.join();
    }
    FifoRelease(const FifoRelease &) = delete;
    FifoRelease &operator=(const FifoRelease &) = delete;

    // Whether anything opened the FIFO for reading while the guard lived.
    bool releasedAReader() const { return m_released; }

private:
    void watch()
    {
        while (!m_done) {
            // A non-blocking open for writing succeeds only while a reader
            // has the FIFO open (or waits in its open); closing it again
            // gives that reader an end of file.
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_released = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    const QByteArray m_path;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_released{false};
    std::thread m_thread;
};
