// The Opera Mail index over one message file: the file reads the same
// every time, the folder and tree location follow from the value read,
// and the index node keeps its fields within their limits.

#include "fuzzcheck.h"
#include "scan/mboxindexer.h"
#include "scan/operamail.h"

using namespace operamail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MemoryFile file(data, size);
    const MbsFile read = readMbsFile(file.path());
    FUZZ_CHECK(read.opened);
    FUZZ_CHECK(readAndKeepMbsFile(file.path()) == read);
    FUZZ_CHECK(takeMbsFile(file.path()) == read);

    // Every text comes from the bytes of one line or one header.
    const int limit = int(size) + 1;
    FUZZ_CHECK(read.locationValue.size() <= qMin(limit, kLineByteLimit + 1));
    FUZZ_CHECK(read.discoveryValue.size() <= qMin(limit, kLineByteLimit + 1));
    FUZZ_CHECK(read.from.size() <= limit && read.subject.size() <= limit);
    FUZZ_CHECK(read.discoveryLocation == treeLocationOfValue(read.discoveryValue));
    FUZZ_CHECK(read.discoveryValue.startsWith(read.discoveryLocation));

    const QString folder = indexLocation(read);
    FUZZ_CHECK(!folder.contains(QLatin1Char('/')));
    FUZZ_CHECK(read.locationValue.isEmpty() ? folder == kDefaultFolder
                                            : read.locationValue.contains(folder));

    MboxMbx *head = nullptr;
    MboxMbx *tail = nullptr;
    MboxMbx *node = appendIndexNode(read, file.path(), head, tail);
    FUZZ_CHECK(node && node == head && node == tail && !node->pNext);
    FUZZ_CHECK(node->szFrom.size() <= mboxindex::kTextFieldUnits);
    FUZZ_CHECK(node->szSubject.size() <= mboxindex::kTextFieldUnits);
    FUZZ_CHECK(node->szFilePath == file.path() && node->szLocation == folder);
    FUZZ_CHECK(node->llOffset == 0 && node->llLength == 0);
    delete node;
    return 0;
}
