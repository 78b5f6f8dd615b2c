#pragma once
// Apple Mail message files apart from the thread: which message is stored
// in pieces, the key by which it claims its part files, and the order in
// which the claimed parts belong to it.

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace emlxdiscovery {

// True when path holds ".partial.emlx": a message whose contents lie partly
// in ".emlxpart" files beside it.
bool isPartialMessage(const QString &path);

// The key of a partial message: its path up to and including the dot
// before its last two name parts (".../12.partial.emlx" gives ".../12.").
QString partialKey(const QString &path);

// The key of the message a part file belongs to: its path up to and
// including the dot before the part number (".../12.4.emlxpart" gives
// ".../12."), when the name ends in ".emlxpart"; empty otherwise. A part
// belongs to the message of its own directory whose key is the same.
QString partKey(const QString &partPath);

// The part number of a part file: the text between the last "." and
// ".emlxpart" as a decimal number; 0 when it is none.
qint64 partNumber(const QString &partPath);

// The claimed parts in the order they belong to the message: by ascending
// part number as the file's own name writes it (the text after its
// partKey), parts of one number in list order. A part whose name writes its
// number otherwise (leading zeros, no number) or that has no partKey is
// left out; a path given twice is taken once.
QStringList orderClaimedParts(const QStringList &claimed);

// The part files found in a scan, from which partial messages claim theirs
// without a search through the whole list.
class PartIndex
{
public:
    explicit PartIndex(const QStringList &parts);

    // Takes every unclaimed part whose partKey is key, in list order; an
    // empty key claims nothing.
    QStringList claim(const QString &key);
    // The parts no message has claimed yet, in list order.
    QStringList remaining() const;

private:
    QStringList m_parts;
    std::vector<bool> m_claimed;
    QHash<QString, std::vector<int>> m_byKey; // partKey to positions in m_parts, ascending
};

} // namespace emlxdiscovery
