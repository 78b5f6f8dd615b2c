#pragma once
// Message dates brought into the one form the header box shows,
// "04 Mar 2014 09:05:09 PM", with English names whatever the user's locale.

#include "preview/previewkind.h"

#include <QString>

namespace preview {

// The date text with the zone names, commas and line feeds the preview
// drops removed (the whole-file reader keeps " (India Standard Time)").
QString cleanDateText(const QString &text, PreviewKind kind);

// The first of the accepted date forms that reads text (text after the
// matched part is ignored), written as "%d %b %Y %I:%M:%S %p"; empty when
// no form reads it. A numeric zone is read and left as written.
QString normaliseDate(const QString &text);

} // namespace preview
