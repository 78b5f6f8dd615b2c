#include "platform/charset.h"

#include <QHash>
#include <QTextCodec>

#include <mutex>

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

QTextCodec *lookUpCodec(const QByteArray &name)
{
    if (isKoreanWindowsName(name))
        return koreanWindowsCodec();
    return QTextCodec::codecForName(name);
}

// Looking a codec up by name walks the whole alias table each time, and a
// scan asks for the same few names once per header. Unknown names are
// kept too (as null); the cache stops growing at a bound so that a store
// full of made-up names cannot fill memory with them.
class CodecCache
{
public:
    QTextCodec *codecFor(const QByteArray &name)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto found = m_codecs.constFind(name);
            if (found != m_codecs.constEnd())
                return found.value();
        }
        QTextCodec *codec = lookUpCodec(name);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_codecs.size() < kMaxNames)
            m_codecs.insert(name, codec);
        return codec;
    }

private:
    static constexpr int kMaxNames = 512;
    std::mutex m_mutex;
    QHash<QByteArray, QTextCodec *> m_codecs;
};

QTextCodec *codecForCleanName(const QByteArray &name)
{
    if (name.isEmpty())
        return nullptr;
    static CodecCache cache;
    return cache.codecFor(name);
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
