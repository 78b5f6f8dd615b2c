// Every test runner sets up the process as main does, before its first
// test, through the same call.

#include "app/startup.h"

namespace {
const bool processSetUp = (startup::setUpProcess(), true);
} // namespace
