#pragma once
// The one header reader of the program: a field is read from the header
// block only (up to the first empty line), its folded lines unfolded, its
// name matched in any letter case. A CR LF line end counts as a line feed
// everywhere.

#include <QByteArray>
#include <QList>

#include <optional>

namespace headerfields {

// Bytes kept of one field, unless told otherwise; the rest is read past.
constexpr int kDefaultFieldByteLimit = 64 * 1024;

// True for a line that ends the header block: empty, or only its line end.
bool isBlockEnd(const QByteArray &line);

// True for a line folded onto the field before it (begins with a blank or a tab).
bool isContinuationLine(const QByteArray &line);

// Index after the colon when line begins with the field name (any case),
// optional blanks and a colon; -1 otherwise.
int valueStartOf(const QByteArray &line, const QByteArray &name);

// A folded value unfolded: every line end (LF or CR LF) followed by a blank
// or a tab is dropped, a line end at the end too; blanks around the value
// trimmed.
QByteArray unfold(const QByteArray &folded);

// Collects the first occurrence of some fields while the lines of a header
// block go by, each with its line end.
class FieldCollector
{
public:
    explicit FieldCollector(const QList<QByteArray> &names, int byteLimit = kDefaultFieldByteLimit);

    // Takes the next line; false once the header block has ended (with this
    // line or before it), after which lines are ignored.
    bool take(const QByteArray &line);
    bool isDone() const { return m_done; }
    // True when the line after the current one could still fold onto a
    // field being collected.
    bool isFolding() const { return m_active >= 0; }
    // Index of the field the current line belongs to; -1 for none.
    int activeField() const { return m_active; }

    // True when the header block held the field names.at(index).
    bool found(int index) const { return m_found.at(index); }
    // The field's value unfolded; empty when it is absent.
    QByteArray value(int index) const { return unfold(m_raw.at(index)); }

private:
    QList<QByteArray> m_names;
    QList<QByteArray> m_raw;
    QList<bool> m_found;
    int m_byteLimit;
    int m_active = -1;
    bool m_done = false;
};

// The first field called name in the header block at the start of message
// (which ends at its first empty line), unfolded; nothing when absent.
std::optional<QByteArray> fieldValue(const QByteArray &message, const QByteArray &name);

// Index of the first byte after the header block that starts at from: after
// the empty line that ends it, or the size of message when none does.
// *bodyStart, when given, receives the same; the return value is the index
// of the empty line itself (its line end bytes excluded).
int headerBlockEnd(const QByteArray &message, int from, int *bodyStart = nullptr);

} // namespace headerfields
