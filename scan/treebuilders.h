#pragma once
// The folder trees of the sources that keep one file per message (Apple Mail
// .emlx, MailMate .eml, Outspring Mail .eml and .f.eml): which mailbox
// directory a message file belongs to, the tree path of its folder, and the
// message files registered for that folder when its mailbox is first met.

#include <QDebug>
#include <QString>
#include <QStringList>
#include <atomic>

namespace treebuilders {

// The three file-per-message layouts.
enum class Layout {
    AppleMail, // mailboxes "*.mbox" and "*.imapmbox", files "*.emlx"
    MailMate,  // mailboxes "*.mailbox" (or "*.mbox"), files "*.eml"
    Outspring, // the directory holding a file is its mailbox
};

// Where one message file goes.
struct MailboxCut {
    QString treePath; // folder names joined by "/", first "Mail"
    QString walkRoot; // the mailbox directory whose files join the folder;
                      // empty when the file lies in no mailbox directory
    bool loose = false; // the path holds none of the layout's mailbox markers

    bool operator==(const MailboxCut &other) const;
};

// The tree path and mailbox directory of the message file filePath under the
// source directory selected (without a trailing "/").
//
// Apple Mail and MailMate keep the mailbox suffix in the tree
// (Mail/V2/Mailboxes/Inbox.mbox, Mail/IMAP/acct/INBOX.mailbox); Outspring
// Mail drops every ".mbox" of the path below the source (Mail/Inbox). A
// source directory at or inside the mailbox puts the mailbox right under
// "Mail". A loose file (no mailbox marker in its path) gets the folder of its
// own directory below the source and no mailbox directory.
MailboxCut cutMailbox(Layout layout, const QString &filePath, const QString &selected);

// True for a path that a mailbox walk records: it ends ".eml" or ".emlx"
// (exact case).
bool isMessageFileName(const QString &path);

// The message files of the mailbox directory walkRoot, in the lister's order
// (pre-order, each directory's entries in byte order of their names, no
// symbolic link followed): every file, or symbolic link to a file, whose name
// isMessageFileName and whose own cutMailbox gives walkRoot again. So a
// mailbox nested in another is left to its own folder, and an Outspring
// directory takes only the files lying directly in it. An empty or relative
// walkRoot gives nothing. A set stopFlag ends the walk early.
QStringList mailboxMessageFiles(Layout layout, const QString &walkRoot,
                                const std::atomic<bool> *stopFlag = nullptr);

// Files one message file into the tree, the way the scanning thread's tree
// builders do: sets bCheckFucntion to whether filePath is registered
// already, resolves the tree path (llParentIdRunning ends as its folder's
// id), and, when filePath was not registered, appends a MailItem and a
// registered path for every message file of its mailbox not registered yet
// (for a loose file: the file itself). An Outspring folder gets its mailbox
// directory as folder path when it has none.
void fileMessageFile(Layout layout, const QString &filePath, const QString &selected,
                     const std::atomic<bool> *stopFlag = nullptr);

} // namespace treebuilders

QDebug operator<<(QDebug debug, const treebuilders::MailboxCut &cut);
