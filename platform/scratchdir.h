#pragma once
// The program's private scratch directory: made once, mode 0700, removed
// with the process.

#include <QString>

namespace platform {

// Absolute path of the private scratch directory; made on the first call.
// "" when it could not be made.
QString privateScratchDirectory();

} // namespace platform
