#pragma once
// The web view's media elements and the system's media framework.

namespace platform {

// Sets the environment so that the media framework the web view would start
// for an <audio> or <video> element finds no plugin, starts no plugin-scanner
// process and neither reads nor writes a registry under the user's cache
// folder. Must run before the first web view exists: called first in main
// and before every test runner.
void keepMediaFrameworkInert();

} // namespace platform
