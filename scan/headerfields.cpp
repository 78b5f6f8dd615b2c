#include "scan/headerfields.h"

#include <cstring>

namespace headerfields {

namespace {

bool isBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool isBlockEnd(const QByteArray &line)
{
    return line.isEmpty() || line == "\n" || line == "\r\n";
}

bool isContinuationLine(const QByteArray &line)
{
    return !line.isEmpty() && isBlankOrTab(line.at(0));
}

int valueStartOf(const QByteArray &line, const QByteArray &name)
{
    const int length = name.size();
    if (line.size() <= length || qstrnicmp(line.constData(), name.constData(), uint(length)) != 0)
        return -1;
    int at = length;
    // Some writers put blanks between the name and its colon.
    while (at < line.size() && isBlankOrTab(line.at(at)))
        ++at;
    return at < line.size() && line.at(at) == ':' ? at + 1 : -1;
}

QByteArray unfold(const QByteArray &folded)
{
    QByteArray value;
    value.reserve(folded.size());
    const int size = folded.size();
    for (int i = 0; i < size; ++i) {
        const char c = folded.at(i);
        if (c == '\r' && i + 1 < size && folded.at(i + 1) == '\n')
            continue;
        if (c == '\n')
            continue;
        value.append(c);
    }
    int begin = 0;
    int end = value.size();
    while (begin < end && isBlankOrTab(value.at(begin)))
        ++begin;
    while (end > begin && (isBlankOrTab(value.at(end - 1)) || value.at(end - 1) == '\r'))
        --end;
    return value.mid(begin, end - begin);
}

FieldCollector::FieldCollector(const QList<QByteArray> &names, int byteLimit)
    : m_names(names), m_byteLimit(qMax(byteLimit, 1))
{
    for (int i = 0; i < names.size(); ++i) {
        m_raw.append(QByteArray());
        m_found.append(false);
    }
}

bool FieldCollector::take(const QByteArray &line)
{
    if (m_done)
        return false;
    if (isBlockEnd(line)) {
        m_done = true;
        m_active = -1;
        return false;
    }
    if (isContinuationLine(line)) {
        if (m_active >= 0) {
            QByteArray &raw = m_raw[m_active];
            raw.append(line.constData(), qMin(line.size(), qMax(0, m_byteLimit - raw.size())));
        }
        return true;
    }
    m_active = -1;
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_found.at(i))
            continue;
        const int start = valueStartOf(line, m_names.at(i));
        if (start < 0)
            continue;
        m_found[i] = true;
        m_active = i;
        m_raw[i] = line.mid(start, m_byteLimit);
        break;
    }
    return true;
}

int headerBlockEnd(const QByteArray &message, int from, int *bodyStart)
{
    const int size = message.size();
    const char *data = message.constData();
    int lineStart = qBound(0, from, size);
    while (lineStart < size) {
        if (data[lineStart] == '\n' || (data[lineStart] == '\r' && lineStart + 1 < size && data[lineStart + 1] == '\n')) {
            if (bodyStart)
                *bodyStart = lineStart + (data[lineStart] == '\n' ? 1 : 2);
            return lineStart;
        }
        const void *lineFeed = std::memchr(data + lineStart, '\n', size_t(size - lineStart));
        if (!lineFeed)
            break;
        lineStart = int(static_cast<const char *>(lineFeed) - data) + 1;
    }
    if (bodyStart)
        *bodyStart = size;
    return size;
}

std::optional<QByteArray> fieldValue(const QByteArray &message, const QByteArray &name)
{
    const int end = headerBlockEnd(message, 0);
    FieldCollector collector({name});
    int lineStart = 0;
    while (lineStart < end) {
        int lineEnd = message.indexOf('\n', lineStart);
        lineEnd = lineEnd < 0 || lineEnd >= end ? end : lineEnd + 1;
        collector.take(message.mid(lineStart, lineEnd - lineStart));
        lineStart = lineEnd;
    }
    if (!collector.found(0))
        return std::nullopt;
    return collector.value(0);
}

} // namespace headerfields
