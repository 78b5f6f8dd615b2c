#pragma once
// Finder type and creator codes of a file, kept where this platform keeps
// them for files that travel to a Mac: the 32-byte extended attribute
// "user.com.apple.FinderInfo".

#include <QByteArray>
#include <QString>

namespace platform {

// Four-character codes, first character in the most significant byte.
constexpr quint32 kFourCharMBOX = 0x4D424F58; // 'MBOX'
constexpr quint32 kFourCharOPIM = 0x4F50494D; // 'OPIM'

// The 32 bytes of a Finder information record holding only type and creator
// (big-endian in its first 8 bytes), everything else zero.
QByteArray finderInfoBytes(quint32 type, quint32 creator);

// Sets the Finder information of the file at path (the link itself is never
// followed). Returns 0 when set, otherwise the negated errno; a file system
// that refuses extended attributes is a normal outcome, not an error to show.
int setFinderInfo(const QString &path, quint32 type, quint32 creator);

// The type and creator stored at path; false when there are none.
bool finderInfo(const QString &path, quint32 *type, quint32 *creator);

} // namespace platform
