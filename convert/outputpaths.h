#pragma once
// Where each message writer puts a message: pure path rules from the source
// path, the selected source folder and the output tree root to the output
// folder and mbox file, and the one function that keeps every output path
// inside its tree.
//
// treeRoot is the output tree's own directory ("<dir>/Main Identity.rge" or
// "<dir>/Main Identity.mbox"); every file lands below treeRoot + "/Mail".
// All tests on paths are case-sensitive.

#include <QDebug>
#include <QString>

namespace outputpaths {

// An output mbox file and the folder to make for it; both empty for "skip".
struct OutputTarget
{
    QString folder;
    QString file;

    bool isSkip() const { return file.isEmpty(); }
    bool operator==(const OutputTarget &other) const
    {
        return folder == other.folder && file == other.file;
    }
};

QDebug operator<<(QDebug debug, const OutputTarget &target);

// The most bytes a file system takes in one name.
constexpr int kMaxNameBytes = 255;

// name + ending when it fits in kMaxNameBytes bytes as a file name;
// otherwise name cut at a character boundary, "~" and eight hexadecimal
// digits of a digest of the whole name (so that names alike in their first
// bytes stay apart), then ending.
QString fittedName(const QString &name, const QString &ending);

// One folder-path piece made harmless: ".." becomes "%2E%2E" and a NUL
// becomes "_"; "" and "." are dropped by the caller.
QString neutralisedPiece(const QString &piece);

// The safe output place of mailbox name below treeRoot + "/Mail" + relFolder:
// relFolder is split at "/", its empty and "." pieces dropped and ".."
// neutralised; the file is name + ".mbox" in that folder, and a file that
// would be named ".mbox" takes its folder's name. Every piece and the file
// name are fitted to the file system (fittedName). The result is checked to
// lie below treeRoot + "/Mail"; an empty treeRoot, or a result outside the
// tree, gives "skip".
OutputTarget placeInMailTree(const QString &treeRoot, const QString &relFolder, const QString &name);

// The place of a mbox-family source whose rule gave the file taken, which
// another source of the same save writes already: the source's own path
// below the selected folder (all of it when it lies elsewhere), with the
// file name of taken; from attempt 2 on, that name + "~" + attempt.
OutputTarget keptApartPlace(const OutputTarget &taken, const QString &source, const QString &selected,
                            const QString &treeRoot, int attempt);

// The place of a path that no rule of its writer fits: Mail/N/N.mbox.
OutputTarget fallbackPlace(const QString &treeRoot, const QString &name);

// Apple Mail .emlx into the identity bundle: the mailbox is the path before
// the last ".imapmbox/" (else the last ".mbox/"); a selection at or inside
// the mailbox gives Mail/N, a selection above it the path in between.
OutputTarget emlxBundleTarget(const QString &source, const QString &selected, const QString &treeRoot);

// MailMate .eml (both targets): the mailbox is the path before the last
// ".mailbox/" (else the last ".mbox/"); a path below the selection that
// begins with "/Messages/" loses its first two pieces.
OutputTarget mailMateTarget(const QString &source, const QString &selected, const QString &treeRoot);

// Outspring Mail .eml/.f.eml (both targets): the mailbox is the directory of
// the message file, its folder that directory's path below the selection
// (the selection's own name for a message lying directly in it), every
// ".mbox" removed from the folder path; the file keeps the directory name.
OutputTarget outspringTarget(const QString &source, const QString &selected, const QString &treeRoot);

// Opera Mail .mbs (both targets): folderPath ("/" + account + "/" +
// location) is the folder; its last piece names the file; "" is "skip".
OutputTarget operaTarget(const QString &folderPath, const QString &treeRoot);

// mbox family into the Apple Mail tree: the path below the last "/Mail/"
// (else the last "/ImapMail/") is the folder, the source file names the file.
OutputTarget mboxAppleTarget(const QString &source, const QString &treeRoot);

// mbox family into the identity bundle: as mboxAppleTarget, except that a
// source whose path holds ".mbox" goes to the folder above its own name with
// ".mbox" removed from the file name, and that an Apple Mail mailbox folder
// "Name.mbox/mbox" is placed by its path below the selection.
OutputTarget mboxBundleTarget(const QString &source, const QString &selected, const QString &treeRoot);

} // namespace outputpaths
