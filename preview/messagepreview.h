#pragma once
// One message turned into what the preview pane shows: the header box's
// lines and the web view's page. Everything is worked out in memory; no
// part of the message is ever written to a file.

#include "preview/headerlines.h"
#include "preview/previewkind.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace preview {

// The most bytes of one message the preview reads; a body is shown only in
// part anyway (see bodydecode.h).
extern const qint64 kMaxPreviewBytes;

// The message at offset in path, length bytes long (both decimal texts; a
// text that is no number counts as 0). A negative offset or length, or a
// file that does not open, gives no bytes; the length is clamped to what the
// file holds after the offset. "Error reading file" goes to the standard
// error stream when no byte was read.
QByteArray readMessageRange(const QString &path, const QString &offset, const QString &length);

// The whole file at path (at most kMaxPreviewBytes), with the same report.
QByteArray readMessageFile(const QString &path);

struct MessagePreview {
    QList<HeaderLine> headerLines;
    // The page to show; absent when the message has no part to show.
    std::optional<QString> page;
};

MessagePreview buildPreview(const QByteArray &message, PreviewKind kind);

} // namespace preview
