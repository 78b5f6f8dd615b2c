#include "preview/fieldmeasure.h"

#include <algorithm>

namespace preview {

int textLength(const QByteArray &message)
{
    const int zero = message.indexOf('\0');
    return zero < 0 ? message.size() : zero;
}

QByteArray readTextLine(const QByteArray &data, int end, int &pos)
{
    end = std::min(end, data.size());
    if (pos < 0 || pos >= end)
        return QByteArray();
    const int lineFeed = data.indexOf('\n', pos);
    const int stop = (lineFeed < 0 || lineFeed >= end) ? end : lineFeed + 1;
    QByteArray line = data.mid(pos, stop - pos);
    pos = stop;
    if (line.endsWith("\r\n")) {
        line.chop(2);
        line.append('\n');
    }
    return line;
}

QList<QByteArray> textLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    int pos = 0;
    while (pos < text.size())
        lines.append(readTextLine(text, text.size(), pos));
    return lines;
}

quint64 measureFoldedField(const QByteArray &message, quint64 fieldStart)
{
    return measureFoldedField(message, textLength(message), fieldStart);
}

quint64 measureFoldedField(const QByteArray &message, int textEnd, quint64 fieldStart)
{
    const int end = std::min(textEnd, message.size());
    if (end <= 0 || fieldStart >= quint64(end))
        return 0;
    const int start = int(fieldStart);
    int pos = start;
    readTextLine(message, end, pos);
    quint64 count = quint64(pos - start);
    while (pos < end) {
        const QByteArray next = readTextLine(message, end, pos);
        if (!next.startsWith(' ') && !next.startsWith('\t'))
            break;
        count = quint64(pos - start);
    }
    return count;
}

quint64 measureToLineEnd(const QByteArray &message, quint64 start, quint64 bufferLength)
{
    const quint64 n = std::min<quint64>(bufferLength, quint64(message.size()));
    if (start >= n)
        return 0;
    quint64 k = 0;
    while (start + 1 + k < n) {
        const char byte = message.at(int(start + k));
        ++k;
        if (byte == '\n')
            break;
    }
    return k == 0 ? 0 : k - 1;
}

quint64 measureQuotedName(const QByteArray &message, quint64 start, quint64 bufferLength)
{
    const quint64 n = std::min<quint64>(bufferLength, quint64(message.size()));
    if (start >= n)
        return 0;
    const char *data = message.constData();
    auto isPair = [&](quint64 k) { return data[start + k] == '"' && data[start + k + 1] == '\n'; };
    // The offset of the next pair from k on, or the offset the search stopped at.
    auto findPair = [&](quint64 k, bool &found) {
        found = false;
        for (; start + k + 2 < n; ++k) {
            if (isPair(k)) {
                found = true;
                break;
            }
        }
        return k;
    };
    auto lessTwo = [](quint64 k) { return k < 2 ? quint64(0) : k - 2; };

    bool found = false;
    const quint64 first = findPair(0, found);
    if (!found)
        return lessTwo(first);
    const quint64 second = findPair(first + 1, found);
    if (!found)
        return lessTwo(second);
    return second == 0 ? 0 : second - 1;
}

} // namespace preview
