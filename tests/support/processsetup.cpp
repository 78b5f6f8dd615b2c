// Every test runner sets up the process as main does, before its first
// test: the locale codec for file names and the inert media framework.

#include "platform/filenamecodec.h"
#include "platform/mediaframework.h"

namespace {
const bool processSetUp = (platform::installFileNameCodec(), platform::keepMediaFrameworkInert(), true);
} // namespace
