#pragma once
// The message documents of an Outlook 2011 backup: a payload of XML text is
// cut into messages at "</email>", and each message's elements are cut by
// position into the fields of a MailMLRC record. No XML parser is used:
// text that lacks the expected layout gives empty fields, never an error.
//
// Every position here counts bytes of the payload; values are decoded from
// UTF-8 (invalid sequences become U+FFFD) only when they are stored.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

struct MailMLRC;

namespace opf {

// Byte range [begin, end) of an element's content inside a message.
struct ContentRange {
    int begin = -1;
    int end = -1;
    bool isPresent() const { return begin >= 0; }
};

// The content of the element whose start-tag text is startTag ("<Name") and
// whose end tag is endTag ("</Name>"): from 22 bytes after the start-tag
// text up to the end tag, both first occurrences. Absent when either tag is
// missing or the end tag lies before the content start.
ContentRange elementContent(const QByteArray &message, const QByteArray &startTag, const QByteArray &endTag);

// One left-to-right pass replacing "&lt;", "&gt;", "&amp;", "&quot;",
// "&apos;", numeric references ("&#65;", "&#x41;") and "&nbsp;" (a blank).
// Other references and malformed ones stay as written.
QByteArray xmlUnescape(const QByteArray &text);

// The value of attribute name (given as 'Name="') inside item: the bytes
// from after the opening quote to the next quote. *found tells whether the
// attribute occurs; an unclosed value runs to the end of the item.
QByteArray attributeValue(const QByteArray &item, const QByteArray &name, bool *found = nullptr);

// An OPF time ("2014-12-19T05:07:38", read as UTC) as local mail date text
// "%a, %d %b %Y %H:%M:%S %z" in English. Missing or non-numeric fields
// count as 0; an invalid date gives day 0 (1970-01-01), an invalid time
// second 0. Empty when the moment cannot be represented.
QByteArray timeconverter1(const QString &opfTime);

// Attachment entries the walker met since the last message with an
// attachment list; each item followed by ";". An entry that cannot be read
// has an empty offset and size, an entry whose data is empty the size 0.
// Both are optional: a list that names one keeps it (an unreadable one is
// then left out of the message's attachments), a list that does not name it
// is matched without it.
struct PendingAttachments {
    QString names;   // entry names
    QString offsets; // decimal data offsets, empty for an unreadable entry
    QString sizes;   // decimal data sizes, empty for an unreadable entry
    std::vector<bool> optional; // for each entry, whether it is optional
    int optionalCount = 0;
    void clear();
    void append(const QString &name, qint64 offset, qint64 size);
    void appendEmpty(const QString &name, qint64 offset);
    void appendUnreadable(const QString &name);

private:
    void appendOptional(const QString &name, const QString &offset, const QString &size);
};

// Optional entries kept pending at most: a message lists a few hundred
// attachments, and a run of damaged headers must not grow the lists without
// bound. Further ones are dropped (a list naming one is then rejected).
constexpr int kMostOptionalPending = 1024;

// The address element fields of record from the content of the element
// startTag names ("<OPFMessageCopyFromAddresses", "...To...", "...CC...",
// "...BCC..."). Items without an address are skipped.
void fillAddresses(MailMLRC &record, const QByteArray &startTag, const QByteArray &content);

// The six attachment lists of record from the attachment-list content,
// accepted only when its URLs equal the pending entry names in order, less
// the optional entries it does not name; the attachments of unreadable
// entries are left out. The pending entries are emptied either way.
void fillAttachments(MailMLRC &record, const QByteArray &content, PendingAttachments &pending);

// The fields of one message (bytes of its piece) found messageStart bytes
// into the backup file: body location, scalars, addresses, attachments.
void fillMessage(MailMLRC &record, const QByteArray &message, qint64 messageStart, PendingAttachments &pending);

// Cuts payload (found payloadOffset bytes into the backup) into messages at
// "</email>", appends one record per message to the record list, stamps its
// folder, fills it, and returns how many records were made.
int buildRecords(const QByteArray &payload, qint64 payloadOffset, const QString &folderPath, quint64 folderId,
                 PendingAttachments &pending);

} // namespace opf
