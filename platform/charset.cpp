#include "platform/charset.h"

#include <QTextCodec>

namespace platform {

namespace {

// Headers write charset names quoted, padded, or with the line end of a
// folded parameter still attached.
QByteArray cleanCharsetName(const QByteArray &charset)
{
    auto isNoise = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\'';
    };
    int begin = 0;
    int end = charset.size();
    while (begin < end && isNoise(charset.at(begin)))
        ++begin;
    while (end > begin && isNoise(charset.at(end - 1)))
        --end;
    return charset.mid(begin, end - begin);
}

// Qt's ICU backend knows neither Korean name that mail clients write, but
// knows the same code page as "CP949" or "windows-949".
bool isKoreanWindowsName(const QByteArray &name)
{
    const QByteArray lower = name.toLower();
    return lower == "ks_c_5601-1987" || lower == "cp949";
}

QTextCodec *koreanWindowsCodec()
{
    if (QTextCodec *codec = QTextCodec::codecForName("CP949"))
        return codec;
    return QTextCodec::codecForName("windows-949");
}

QTextCodec *codecForCleanName(const QByteArray &name)
{
    if (name.isEmpty())
        return nullptr;
    if (isKoreanWindowsName(name))
        return koreanWindowsCodec();
    return QTextCodec::codecForName(name);
}

} // namespace

QTextCodec *codecForCharset(const QByteArray &charset)
{
    if (QTextCodec *codec = codecForCleanName(cleanCharsetName(charset)))
        return codec;
    return QTextCodec::codecForName("UTF-8");
}

bool isKnownCharset(const QByteArray &charset)
{
    return codecForCleanName(cleanCharsetName(charset)) != nullptr;
}

} // namespace platform
