#include "olm/mailmlrc.h"

#include <cstdlib>
#include <cstring>

MailMLRC *TmpMlrcPtrStart = nullptr;
MailMLRC *TmpMlrcPtrEnd = nullptr;

namespace {

bool sameText(const char *a, const char *b)
{
    if (!a || !b)
        return a == b;
    return std::strcmp(a, b) == 0;
}

void releaseAttachmentStrings(MailMLRC *record)
{
    for (char **list : {&record->pAttachContentIDs, &record->pAttachContentTypes, &record->pAttachNames,
                        &record->pAttachURLs, &record->pAttachOffsets, &record->pAttachSizes}) {
        std::free(*list);
        *list = nullptr;
    }
}

} // namespace

bool MailMLRC::operator==(const MailMLRC &other) const
{
    auto sameField = [](const auto &a, const auto &b) { return std::memcmp(a, b, sizeof a) == 0; };
    return sameField(szFromName, other.szFromName) && sameField(szFromAddress, other.szFromAddress)
           && sameField(szToAddress, other.szToAddress) && sameField(szCcAddress, other.szCcAddress)
           && sameField(szCcName, other.szCcName) && sameField(szBccAddress, other.szBccAddress)
           && sameField(szReceivedTime, other.szReceivedTime) && sameField(szInReplyTo, other.szInReplyTo)
           && sameField(szReferences, other.szReferences) && sameField(szMessageID, other.szMessageID)
           && sameField(szToName, other.szToName) && sameField(szThreadTopic, other.szThreadTopic)
           && sameField(szSubject, other.szSubject) && sameField(szSentTime, other.szSentTime)
           && sameText(pAttachContentIDs, other.pAttachContentIDs)
           && sameText(pAttachContentTypes, other.pAttachContentTypes)
           && sameText(pAttachNames, other.pAttachNames) && sameText(pAttachURLs, other.pAttachURLs)
           && sameText(pAttachOffsets, other.pAttachOffsets) && sameText(pAttachSizes, other.pAttachSizes)
           && llBodyLength == other.llBodyLength && llBodyOffset == other.llBodyOffset
           && sameField(szFolderPath, other.szFolderPath) && llFolderId == other.llFolderId
           && nIsOutgoing == other.nIsOutgoing && sameField(szPriority, other.szPriority);
}

MailMLRC *appendMailMLRC()
{
    auto *record = new MailMLRC();
    if (TmpMlrcPtrEnd)
        TmpMlrcPtrEnd->pNext = record;
    else
        TmpMlrcPtrStart = record;
    TmpMlrcPtrEnd = record;
    return record;
}

void releaseMailMLRCs()
{
    while (MailMLRC *record = TmpMlrcPtrStart) {
        releaseAttachmentStrings(record);
        TmpMlrcPtrStart = record->pNext;
        delete record;
    }
    TmpMlrcPtrEnd = nullptr;
    TmpMlrcPtrStart = nullptr;
}

bool storeText(char *field, std::size_t width, int limit, const QByteArray &value)
{
    if (value.isEmpty() || limit < 0 || value.size() > limit || std::size_t(value.size()) >= width)
        return false;
    std::memcpy(field, value.constData(), std::size_t(value.size()));
    field[value.size()] = '\0';
    return true;
}

QString fieldText(const char *field, std::size_t width)
{
    const void *end = std::memchr(field, '\0', width);
    const std::size_t length = end ? std::size_t(static_cast<const char *>(end) - field) : width;
    return QString::fromUtf8(field, int(length));
}

char *makeAttachmentString(const QByteArray &text)
{
    if (text.isEmpty())
        return nullptr;
    auto *copy = static_cast<char *>(std::calloc(std::size_t(text.size()) + 1, 1));
    if (copy)
        std::memcpy(copy, text.constData(), std::size_t(text.size()));
    return copy;
}

void stampFolder(MailMLRC *record, const QString &folderPath, quint64 folderId)
{
    storeText(record->szFolderPath, mlrclimits::kFolderPath, folderPath.toUtf8());
    record->llFolderId = folderPath.isEmpty() ? kNoFolderId : folderId;
}

QDebug operator<<(QDebug debug, const MailMLRC &record)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MailMLRC(from " << fieldText(record.szFromName) << ", subject "
                    << fieldText(record.szSubject) << ", body " << record.llBodyOffset << '+'
                    << record.llBodyLength << ", folder " << record.llFolderId << ')';
    return debug;
}
