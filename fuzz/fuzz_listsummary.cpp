// The list summary of one message file: values never hold a line end of
// the file, stay within the field bound, and CR LF line ends give the same
// summary as LF ones.

#include "browser/listsummary.h"
#include "scan/headerfields.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

listsummary::MessageSummary summarize(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return listsummary::summarizeMessage(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const listsummary::MessageSummary summary = summarize(bytes);
    check(summary.sender.size() <= headerfields::kDefaultFieldByteLimit);
    check(summary.subject.size() <= headerfields::kDefaultFieldByteLimit);
    if (!bytes.contains("=?")) {
        check(!summary.sender.contains(QLatin1Char('\n')));
        check(!summary.subject.contains(QLatin1Char('\n')));
    }
    if (!bytes.contains('\r')) {
        QByteArray crLf = bytes;
        crLf.replace("\n", "\r\n");
        check(summarize(crLf) == summary);
    }
    return 0;
}
