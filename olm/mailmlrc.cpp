#include "olm/mailmlrc.h"

MailMLRC *TmpMlrcPtrStart = nullptr;
MailMLRC *TmpMlrcPtrEnd = nullptr;

namespace {
quint64 listGeneration = 0;
} // namespace

quint64 mailMLRCListGeneration()
{
    return listGeneration;
}

bool MailMLRC::operator==(const MailMLRC &other) const
{
    return szFromName == other.szFromName && szFromAddress == other.szFromAddress
           && szToAddress == other.szToAddress && szCcAddress == other.szCcAddress
           && szCcName == other.szCcName && szBccAddress == other.szBccAddress
           && szReceivedTime == other.szReceivedTime && szInReplyTo == other.szInReplyTo
           && szReferences == other.szReferences && szMessageID == other.szMessageID
           && szToName == other.szToName && szThreadTopic == other.szThreadTopic
           && szSubject == other.szSubject && szSentTime == other.szSentTime
           && pAttachContentIDs == other.pAttachContentIDs && pAttachContentTypes == other.pAttachContentTypes
           && pAttachNames == other.pAttachNames && pAttachURLs == other.pAttachURLs
           && pAttachOffsets == other.pAttachOffsets && pAttachSizes == other.pAttachSizes
           && llBodyLength == other.llBodyLength && llBodyOffset == other.llBodyOffset
           && szFolderPath == other.szFolderPath && llFolderId == other.llFolderId
           && nIsOutgoing == other.nIsOutgoing && szPriority == other.szPriority;
}

MailMLRC *appendMailMLRC()
{
    auto *record = new MailMLRC();
    ++listGeneration;
    if (TmpMlrcPtrEnd)
        TmpMlrcPtrEnd->pNext = record;
    else
        TmpMlrcPtrStart = record;
    TmpMlrcPtrEnd = record;
    return record;
}

void releaseMailMLRCs()
{
    ++listGeneration;
    while (MailMLRC *record = TmpMlrcPtrStart) {
        TmpMlrcPtrStart = record->pNext;
        delete record;
    }
    TmpMlrcPtrEnd = nullptr;
    TmpMlrcPtrStart = nullptr;
}

bool storeText(QByteArray &field, int limit, const QByteArray &value)
{
    if (value.isEmpty() || limit < 0 || value.size() > limit)
        return false;
    field = value;
    return true;
}

bool storeTimeText(QByteArray &field, const QByteArray &converted)
{
    return storeText(field, mlrclimits::kTimeText, converted.left(mlrclimits::kTimeText));
}

QString fieldText(const QByteArray &field)
{
    return QString::fromUtf8(field.constData(), int(qstrnlen(field.constData(), uint(field.size()))));
}

void stampFolder(MailMLRC *record, const QString &folderPath, quint64 folderId)
{
    stampFolder(record, folderPath.toUtf8(), folderId);
}

void stampFolder(MailMLRC *record, const QByteArray &folderPath, quint64 folderId)
{
    storeText(record->szFolderPath, mlrclimits::kFolderPath, folderPath);
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
