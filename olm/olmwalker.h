#pragma once
// The walk of an Outlook 2011 backup file (.olm), a ZIP archive read by hand:
// local headers and central-directory signatures are recognised at the walk
// position, sized entries are passed as a whole, and the rest is crawled for
// the opening tags of five XML element kinds. The walk never inflates
// anything and reads entry data as stored bytes.
//
// The file may be damaged or hostile: every size is checked against the
// file with 64-bit arithmetic, every step moves forward, and the walk ends.
// A sized entry whose end is followed by no local header, data descriptor
// or central-directory header (and is not the end of the file) is taken as
// damaged: the walk searches on from just past its signature. What telling
// a damage costs does not grow with the lengths a damaged header claims.
//
// The backup's own central directory is found before the walk from its end
// record: the last one near the end of the file whose directory checks
// out, with or without ZIP64 records. Central headers before it, and any
// header inside the data of an entry the walk crawls (up to the next entry
// the directory lists), belong to a ZIP file stored in an entry: they are
// data, they neither end the walk nor make entries. A file without a
// consistent end record is walked without it.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

namespace olm {

class ByteSource;

// What the walk hands on.
class WalkSink
{
public:
    virtual ~WalkSink();
    // A sized entry that is neither a message nor a skipped entry: its name,
    // data offset and size (inside the file).
    virtual void attachmentEntry(const QString &name, qint64 offset, qint64 size) = 0;
    // A message payload: the folder path cut from its entry name (empty for
    // an emails element found by crawling), its bytes, the file offset of
    // its first byte and the offset just past it. The bytes may be the
    // source's own, valid only during the call: a sink keeps copies.
    virtual void payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64 endOffset) = 0;
    // An entry whose data is empty (a directory or streamed entry of 0
    // bytes) that is neither a message nor a skipped entry: its name and data
    // offset. A message's list that names it has it as an empty attachment.
    virtual void emptyEntry(const QString &name, qint64 offset) = 0;
    // An entry that cannot be read: stored compressed, a message larger
    // than kMaxPayloadBytes, a damaged header or an entry cut by the end of
    // the file, an attachment in a streamed entry whose data holds no emails
    // element. Its name, at most 1 KiB of it (empty for an emails element
    // found by crawling, a header without one, and an entry neither on a
    // line nor answering a list), and whether it still answers its
    // message's attachment list: an attachment entry does while no more
    // than 1024 unreadable or empty ones came since the last payload.
    virtual void unreadableEntry(const QString &name, bool isAttachment) = 0;
    // The whole-number percentage of the file walked, each value once.
    virtual void progress(int percent);
    // A line for standard error, without its line break: the first 100
    // unreadable entries one by one, then one line with how many more.
    virtual void diagnostic(const QByteArray &line);
};

enum class WalkMode {
    Fast,      // large read window; crawl jumps to the next 'P' or '<'; ASCII
               // entry names read as bytes
    Reference, // one-byte window; crawl moves one byte per step; names of
               // sized entries as text
};

enum class WalkEnd {
    Finished, // the end of the file or the third central-directory header
    Stopped,  // the stop flag was raised
};

// Walks source from offset 0 to its end; fastWindow, when above 0, sets the
// read window of the fast walk (64 bytes at least).
WalkEnd walkOlm(ByteSource &source, WalkSink &sink, const std::atomic<bool> &stopFlag,
                WalkMode mode = WalkMode::Fast, qint64 fastWindow = 0);

// The folder path of a message entry name: below "Accounts/x/y/" or
// "Local/x/", up to the last "/" (the rest itself when it has none); empty
// for other names and for names no longer than the prefix.
QString folderPathOfEntry(const QString &entryName);
// Whether a component of the entry name is one of the five skipped files.
bool isSkippedEntry(const QStringList &components);
// Whether the entry's last component names a message document.
bool isMessageEntry(const QStringList &components);

// Largest payload handed on; a larger one is told as unreadable and stepped over.
constexpr qint64 kMaxPayloadBytes = qint64(1) << 30;

} // namespace olm
