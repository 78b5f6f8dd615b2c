#pragma once
// The text of a backup message's body once its entities are restored: the
// test that tells an HTML document from plain text, and the HTML that shows
// plain text as it is. The save and the preview both go by these, so that a
// body reads the same in the written message and on the preview page.

#include <QByteArray>

namespace olmbody {

// The wrapper around the HTML of a body that is no HTML document: a block
// that keeps its blanks and line ends as they are and still wraps long lines
// (a reader that drops the style keeps the lines and the blanks).
constexpr char kTextBodyStart[] = "<html><pre style=\"white-space: pre-wrap\">";
constexpr char kTextBodyEnd[] = "</pre></html>";

// Whether restored body text is an HTML document: whether it holds "<html"
// and "</html>", in any letter case. For text fed in pieces.
class HtmlDocumentTest
{
public:
    void add(const QByteArray &restored);
    // "<html" and "</html>" were both found.
    bool isHtml() const { return m_open && m_close; }
    // "<html" was found.
    bool opensHtml() const { return m_open; }

private:
    QByteArray m_carry;
    bool m_open = false;
    bool m_close = false;
};

// Plain text as the content of the text block, which shows exactly its
// lines and characters: "&", "<" and ">" as entities, each line end (CR LF,
// a lone CR, a lone LF) as one line feed; every other byte as it is.
QByteArray plainTextHtml(const QByteArray &text);

} // namespace olmbody
