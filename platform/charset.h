#pragma once
// The one place where a charset name becomes a text codec.

#include <QByteArray>

class QTextCodec;

namespace platform {

// Codec for a MIME charset name (blanks, quotes and line ends around it are
// ignored); "ks_c_5601-1987" and "cp949" give CP949 (or windows-949); an
// empty or unknown name gives UTF-8. Never null.
QTextCodec *codecForCharset(const QByteArray &charset);
// True when the name (cleaned as above) names a codec this platform has.
bool isKnownCharset(const QByteArray &charset);

} // namespace platform
