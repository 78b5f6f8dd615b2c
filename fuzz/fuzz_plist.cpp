// The property-list reader: a value is only ever text of the file, every
// reading gives the same value, and a file cut short never yields one.

#include "fuzzcheck.h"
#include "platform/plistreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first line names the key, the rest is the property list.
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int newline = bytes.indexOf('\n');
    const QString key = QString::fromUtf8(newline < 0 ? bytes : bytes.left(newline));
    const QByteArray list = newline < 0 ? QByteArray() : bytes.mid(newline + 1);

    const MemoryFile file(reinterpret_cast<const uint8_t *>(list.constData()), size_t(list.size()));
    const QString value = platform::readPlistString(file.path(), key);
    FUZZ_CHECK(value.size() <= list.size());
    FUZZ_CHECK(platform::readPlistString(file.path(), key) == value);
    if (list.isEmpty())
        FUZZ_CHECK(value.isEmpty());
    return 0;
}
