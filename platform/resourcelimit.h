#pragma once
// Raising the per-process limit of open files.

namespace platform {

// Raises the soft limit of open files to at least count (never above the
// hard limit, never lowering it); false when the limit could not be set.
bool raiseOpenFileLimit(unsigned long count);

} // namespace platform
