// Every test runner uses the program's locale codec, as main does, before
// its first test turns a path into bytes.

#include "platform/filenamecodec.h"

namespace {
const bool fileNameCodecInstalled = (platform::installFileNameCodec(), true);
} // namespace
