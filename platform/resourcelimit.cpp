#include "platform/resourcelimit.h"

#include <sys/resource.h>

namespace platform {

bool raiseOpenFileLimit(unsigned long count)
{
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;

    rlim_t wanted = static_cast<rlim_t>(count);
    if (limit.rlim_max != RLIM_INFINITY && wanted > limit.rlim_max)
        wanted = limit.rlim_max;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted)
        return true;

    limit.rlim_cur = wanted;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace platform
