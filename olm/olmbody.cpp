#include "olm/olmbody.h"

namespace olmbody {

void HtmlDocumentTest::add(const QByteArray &restored)
{
    // The carry holds the last six bytes seen, so that a tag split between
    // two pieces is still found.
    const QByteArray lower = (m_carry + restored).toLower();
    m_open = m_open || lower.contains("<html");
    m_close = m_close || lower.contains("</html>");
    m_carry = lower.right(6);
}

QByteArray plainTextHtml(const QByteArray &text)
{
    const char *p = text.constData();
    const int n = text.size();
    QByteArray out;
    out.reserve(n + n / 8);
    int copied = 0;
    for (int i = 0; i < n; ++i) {
        const char *replacement = nullptr;
        switch (p[i]) {
        case '&':
            replacement = "&amp;";
            break;
        case '<':
            replacement = "&lt;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        case '\r':
        case '\n':
            replacement = "\n";
            break;
        default:
            continue;
        }
        out.append(p + copied, i - copied);
        out.append(replacement);
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        copied = i + 1;
    }
    out.append(p + copied, n - copied);
    return out;
}

} // namespace olmbody
