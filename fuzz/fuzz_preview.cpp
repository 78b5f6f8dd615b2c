// The preview of one message, whole and as a byte range of an mbox file:
// the shown part lies inside the message, the body stays within its bound,
// and a separator line before the message changes nothing the preview shows.

#include "preview/bodydecode.h"
#include "preview/headerlines.h"
#include "preview/headerscan.h"
#include "preview/messagepreview.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray message(reinterpret_cast<const char *>(data), int(size));
    const QByteArray inMbox = QByteArrayLiteral("From a@example.org Mon Jan  1 00:00:00 2024\n") + message;

    const preview::RawHeader whole = preview::scanRawHeader(message, preview::PreviewKind::WholeFile);
    const preview::RawHeader range = preview::scanRawHeader(inMbox, preview::PreviewKind::ByteRange);
    if (whole.partText) {
        check(whole.partText->size() <= message.size());
        check(message.contains(*whole.partText));
    }
    check(whole.from == range.from && whole.to == range.to && whole.subject == range.subject);
    check(whole.cc == range.cc && whole.bcc == range.bcc && whole.date == range.date);
    check(whole.attachmentNames == range.attachmentNames);
    check(whole.partText == range.partText || message.isEmpty());

    for (const auto &kind : {preview::PreviewKind::WholeFile, preview::PreviewKind::ByteRange}) {
        const QByteArray &bytes = kind == preview::PreviewKind::WholeFile ? message : inMbox;
        const preview::RawHeader &header = kind == preview::PreviewKind::WholeFile ? whole : range;
        if (const std::optional<preview::DecodedBody> body = preview::decodeBody(header, kind)) {
            check(body->text.size() <= preview::kMaxShownBodyBytes);
            check(!body->text.contains(QLatin1String("\r\n")));
        }
        const preview::MessagePreview shown = preview::buildPreview(bytes, kind);
        check(bool(shown.page) == bool(header.partText));
    }
    return 0;
}
