#pragma once
// Builds Outlook 2011 backup files (.olm) byte by byte for tests and fuzz
// seeds: sized entries with a ZIP64 block, streamed entries, central
// directory headers, and the message documents inside them. Header-only and
// QtCore-only, so the fuzz targets can use it too.

#include <QByteArray>
#include <QList>
#include <QtEndian>

namespace olmfixture {

inline QByteArray le(quint64 value, int width)
{
    QByteArray bytes;
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

// The ZIP64 extended-information block holding both sizes.
inline QByteArray zip64Block(quint64 uncompressed, quint64 compressed)
{
    return le(0x0001, 2) + le(16, 2) + le(uncompressed, 8) + le(compressed, 8);
}

// A local file header: signature, version, flags, method, time, date, CRC,
// the 32-bit sizes, name and extra-field lengths, name, extra field.
inline QByteArray localHeader(const QByteArray &name, quint32 crc, quint32 compressed32, quint32 uncompressed32,
                              const QByteArray &extra, quint16 method = 0, int nameLength = -1,
                              int extraLength = -1)
{
    return le(0x04034b50, 4) + le(45, 2) + le(0, 2) + le(method, 2) + le(0, 2) + le(0, 2) + le(crc, 4)
           + le(compressed32, 4) + le(uncompressed32, 4) + le(nameLength < 0 ? name.size() : nameLength, 2)
           + le(extraLength < 0 ? extra.size() : extraLength, 2) + name + extra;
}

// A central-directory header (only its signature matters to the walker).
inline QByteArray centralHeader(const QByteArray &name)
{
    return le(0x02014b50, 4) + QByteArray(26, '\0') + le(name.size(), 2) + QByteArray(14, '\0') + name;
}

// A central-directory header listing the entry whose local header is at
// localOffset; with zip64, the sizes and the offset stand in a ZIP64 block.
inline QByteArray listedHeader(const QByteArray &name, quint32 crc, quint64 size, quint64 localOffset, bool zip64)
{
    const quint32 marker = 0xFFFFFFFF;
    const QByteArray extra = zip64 ? le(0x0001, 2) + le(24, 2) + le(size, 8) + le(size, 8) + le(localOffset, 8)
                                   : QByteArray();
    return le(0x02014b50, 4) + le(45, 2) + le(45, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 2) + le(crc, 4)
           + le(zip64 ? marker : size, 4) + le(zip64 ? marker : size, 4) + le(name.size(), 2) + le(extra.size(), 2)
           + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) + le(zip64 ? marker : localOffset, 4) + name + extra;
}

class Archive
{
public:
    QByteArray bytes;

    // A stored entry with its sizes in a ZIP64 block; returns its data offset.
    qint64 sized(const QByteArray &name, const QByteArray &data, quint16 method = 0)
    {
        note(name, data, 0x1234abcd);
        bytes += localHeader(name, 0x1234abcd, 0xFFFFFFFF, 0xFFFFFFFF, zip64Block(data.size(), data.size()),
                             method);
        const qint64 offset = bytes.size();
        bytes += data;
        return offset;
    }
    // A stored entry with its sizes in the 32-bit header fields and no extra
    // field; returns its data offset.
    qint64 sized32(const QByteArray &name, const QByteArray &data)
    {
        note(name, data, 0x1234abcd);
        bytes += localHeader(name, 0x1234abcd, quint32(data.size()), quint32(data.size()), QByteArray());
        const qint64 offset = bytes.size();
        bytes += data;
        return offset;
    }
    // A streamed entry (CRC 0, no extra field, a data descriptor after the
    // data); returns its data offset.
    qint64 streamed(const QByteArray &name, const QByteArray &data, bool descriptor = false)
    {
        note(name, data, 0x5eed5eed);
        bytes += localHeader(name, 0, 0, 0, QByteArray());
        const qint64 offset = bytes.size();
        bytes += data;
        if (descriptor)
            bytes += le(0x08074b50, 4) + le(0x5eed5eed, 4) + le(quint64(data.size()), 4) + le(quint64(data.size()), 4);
        return offset;
    }
    // The central directory listing every entry so far, and its end record
    // (with zip64, the ZIP64 end record and its locator before it; with
    // zip64Records alone, those too, and real values in the end record).
    void centralDirectory(bool zip64 = false, bool zip64Records = false)
    {
        const qint64 start = bytes.size();
        for (const Listed &entry : m_entries)
            bytes += listedHeader(entry.name, entry.crc, entry.size, entry.localOffset, zip64);
        const qint64 size = bytes.size() - start;
        const quint64 count = quint64(m_entries.size());
        if (zip64 || zip64Records) {
            const qint64 record = bytes.size();
            bytes += le(0x06064b50, 4) + le(44, 8) + le(45, 2) + le(45, 2) + le(0, 4) + le(0, 4) + le(count, 8)
                     + le(count, 8) + le(quint64(size), 8) + le(quint64(start), 8);
            bytes += le(0x07064b50, 4) + le(0, 4) + le(quint64(record), 8) + le(1, 4);
        }
        bytes += le(0x06054b50, 4) + le(0, 4) + le(zip64 ? 0xFFFF : count, 2) + le(zip64 ? 0xFFFF : count, 2)
                 + le(zip64 ? 0xFFFFFFFF : quint64(size), 4) + le(zip64 ? 0xFFFFFFFF : quint64(start), 4) + le(0, 2);
    }

private:
    struct Listed {
        QByteArray name;
        quint32 crc;
        quint64 size;
        qint64 localOffset;
    };
    void note(const QByteArray &name, const QByteArray &data, quint32 crc)
    {
        m_entries.append(Listed{name, crc, quint64(data.size()), bytes.size()});
    }
    QList<Listed> m_entries;
};

// Offsets of the name length and the extra-field length in a local header.
constexpr int kNameLengthField = 26;
constexpr int kExtraLengthField = 28;

// Overwrites a 2-byte length field of the local header at headerOffset.
inline void setHeaderLength(QByteArray &bytes, qint64 headerOffset, int field, quint16 value)
{
    bytes.replace(int(headerOffset) + field, 2, le(value, 2));
}

// A run of damaged local headers: the signature back to back (each header
// claims a name of 1027 bytes), or 32-byte headers with no zero byte that
// claim a name of 0xFFFF bytes.
inline QByteArray damagedHeaders(bool longNames, int headers)
{
    const QByteArray header = longNames ? QByteArray("PK\3\4") + QByteArray(22, 'A') + QByteArray("\xff\xff", 2)
                                              + QByteArray(4, 'A')
                                        : QByteArray("PK\3\4");
    return header.repeated(headers);
}

// An element as the backup writes it: the start tag runs 22 bytes past its name.
inline QByteArray element(const QByteArray &name, const QByteArray &content)
{
    return "<" + name + " xml:space=\"preserve\">" + content + "</" + name + ">";
}

inline QByteArray address(const QByteArray &addr, const QByteArray &name, bool withName = true)
{
    return "<emailAddress OPFContactEmailAddressAddress=\"" + addr + "\""
           + (withName ? " OPFContactEmailAddressName=\"" + name + "\"" : QByteArray())
           + " OPFContactEmailAddressType=\"0\"></emailAddress>";
}

inline QByteArray attachment(const QByteArray &contentId, const QByteArray &type, const QByteArray &name,
                             const QByteArray &url)
{
    return "<messageAttachment OPFAttachmentContentID=\"" + contentId + "\" OPFAttachmentContentType=\"" + type
           + "\" OPFAttachmentName=\"" + name + "\" OPFAttachmentURL=\"" + url + "\"></messageAttachment>";
}

// A message document of the given elements.
inline QByteArray message(const QList<QByteArray> &elements)
{
    QByteArray text = "<email>";
    for (const QByteArray &e : elements)
        text += e;
    return text + "</email>";
}

// A payload: the emails element around messages.
inline QByteArray emails(const QList<QByteArray> &messages)
{
    QByteArray text = "<emails xmlns=\"x\">";
    for (const QByteArray &m : messages)
        text += m;
    return text + "</emails>";
}

// A simple message: subject, sender and body.
inline QByteArray simpleMessage(const QByteArray &subject, const QByteArray &body)
{
    return message({element("OPFMessageCopySubject", subject),
                    element("OPFMessageCopyFromAddresses", address("from@example.org", "From")),
                    element("OPFMessageCopySentTime", "2014-12-19T05:07:38"),
                    element("OPFMessageCopyBody", body)});
}

// A small backup: a message with two attachments in Inbox/Projects, a
// body-less message in Inbox, a streamed emails element, a skipped entry and
// the central directory.
inline QByteArray sampleArchive()
{
    Archive a;
    a.sized("Local/com.microsoft.__Attachments/a1", "first attachment");
    a.sized("Local/com.microsoft.__Attachments/a2", "second");
    a.sized("Local/Mail/Inbox/Projects/m1__message_attachment__.xml",
            emails({message({element("OPFMessageCopySubject", "With attachments"),
                             element("OPFMessageCopyAttachmentList",
                                     attachment("c1", "text/plain", "a.txt",
                                                "Local/com.microsoft.__Attachments/a1")
                                         + attachment("", "text/plain", "b.txt",
                                                      "Local/com.microsoft.__Attachments/a2")),
                             element("OPFMessageCopyBody", "&lt;b&gt;Hello&lt;/b&gt;")})}));
    a.sized("Local/Mail/Inbox/m2__message_attachment__.xml",
            emails({message({element("OPFMessageCopySubject", "No body")})}));
    a.sized("Local/Contacts.xml", "<contacts x=\"1\"></contacts>");
    a.streamed("stream.xml", emails({simpleMessage("Streamed", "streamed body")}));
    a.centralDirectory();
    return a.bytes;
}

} // namespace olmfixture
