// The reading progress of a mailbox file over any counts and sizes: no
// overflow, a percentage that never falls as the count grows, and a next
// look that always lies ahead.

#include "fuzzcheck.h"
#include "scan/mboxdiscovery.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qint64 values[4] = {};
    std::memcpy(values, data, qMin(size, sizeof values));
    const qint64 bytes = values[0] & std::numeric_limits<qint64>::max();
    const qint64 lines = values[1] & std::numeric_limits<qint64>::max();
    const qint64 fileSize = values[2];
    const qint64 stopEvery = qMax<qint64>(1, values[3] & 0xffffffff);

    const double percent = mboxdiscovery::progressPercent(bytes, lines, fileSize);
    FUZZ_CHECK(!std::isnan(percent) && percent >= 0.0);
    if (bytes < std::numeric_limits<qint64>::max())
        FUZZ_CHECK(mboxdiscovery::progressPercent(bytes + 1, lines, fileSize) >= percent);

    const qint64 count = bytes / 2;
    const qint64 next = mboxdiscovery::nextProgressCount(count, fileSize, stopEvery);
    FUZZ_CHECK(next > count || next == 0);
    return 0;
}
