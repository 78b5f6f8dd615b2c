#include "olm/olmpreview.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "app/safewebview.h"
#include "olm/mailmlrc.h"
#include "olm/olmbody.h"
#include "olm/olmsource.h"
#include "preview/datenormaliser.h"

#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>

#include <cstdio>
#include <unistd.h>

namespace olmpreview {

namespace {

constexpr int kBoldWeight = 75;
constexpr int kNormalWeight = 50;

qint64 readDecimal(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? value : 0;
}

} // namespace

QString normalisedDate(const QString &sentTime)
{
    // The backup's cleaning list is that of the mbox preview.
    return preview::normaliseDate(preview::cleanDateText(sentTime, preview::PreviewKind::ByteRange));
}

QString senderOfList(const QString &addresses)
{
    if (addresses.count(QLatin1Char(';')) >= 2) {
        const QString list = addresses.left(addresses.size() - 1);
        return list.mid(list.lastIndexOf(QLatin1Char(';')) + 1);
    }
    return QString(addresses).remove(QLatin1Char(';'));
}

QStringList headerLines(const MailMLRC &record)
{
    QStringList lines;
    const QString from = fieldText(record.szFromAddress);
    if (!from.isEmpty())
        lines.append(senderOfList(from));
    const QString to = fieldText(record.szToAddress);
    if (!to.isEmpty())
        lines.append(QStringLiteral("To: ") + to);
    const QString cc = fieldText(record.szCcAddress);
    if (!cc.isEmpty())
        lines.append(QStringLiteral("Cc: ") + cc);
    const QString subject = fieldText(record.szSubject);
    if (!subject.isEmpty())
        lines.append(subject);
    const QString sent = fieldText(record.szSentTime);
    if (!sent.isEmpty())
        lines.append(QStringLiteral("Date: ") + normalisedDate(sent));
    const QString bcc = fieldText(record.szBccAddress);
    if (!bcc.isEmpty())
        lines.append(bcc);
    if (!record.pAttachNames.isEmpty()) {
        const QStringList names = fieldText(record.pAttachNames).split(QLatin1Char(';'));
        lines.append(QStringLiteral("Attachments: ") + names.join(QLatin1Char('\n')));
    }
    return lines;
}

QByteArray readBodyRange(const QString &path, qint64 offset, qint64 length, bool *ok, bool *cut)
{
    if (ok)
        *ok = false;
    if (cut)
        *cut = false;
    if (offset < 0 || length <= 0)
        return QByteArray();
    qint64 size = 0;
    const int descriptor = olm::openBackupFile(path, &size);
    if (descriptor < 0)
        return QByteArray();
    QByteArray bytes;
    if (offset < size) {
        const qint64 available = qMin(length, size - offset);
        const qint64 count = qMin(available, kMaxStoredBodyBytes);
        bytes.resize(int(count));
        olm::FileSource source(descriptor, size);
        bytes.resize(int(source.readAt(offset, bytes.data(), count)));
        if (cut)
            *cut = available > count;
    }
    ::close(descriptor);
    if (ok)
        *ok = !bytes.isEmpty();
    return bytes;
}

QString bodyPage(QByteArray storedBody, bool storedBodyCut)
{
    // Replacements that shorten the text work in place.
    storedBody.replace("&lt;", "<");
    storedBody.replace("&amp;", "&");
    storedBody.replace("&nbsp;", " ");
    storedBody.replace("&amp;lt;", "<");
    storedBody.replace("&gt;", ">");
    // The end of a document cut by the read bound lies beyond what was read.
    olmbody::HtmlDocumentTest test;
    test.add(storedBody);
    const bool html = test.isHtml() || (storedBodyCut && test.opensHtml());
    bool cut = storedBodyCut;
    if (storedBody.size() > preview::kMaxShownBodyBytes) {
        int end = preview::kMaxShownBodyBytes;
        // Not inside a UTF-8 sequence: it would show as a replacement character.
        while (end > 0 && (uchar(storedBody.at(end)) & 0xC0) == 0x80 && preview::kMaxShownBodyBytes - end < 3)
            --end;
        storedBody.truncate(end);
        cut = true;
    }
    if (!html)
        storedBody = olmbody::kTextBodyStart + olmbody::plainTextHtml(storedBody) + olmbody::kTextBodyEnd;
    return preview::pageHtml(QString::fromUtf8(storedBody), true, cut);
}

QString bodyPreviewPage(const QString &path, qint64 offset, qint64 length, bool *read)
{
    bool cut = false;
    QByteArray stored = readBodyRange(path, offset, length, read, &cut);
    return bodyPage(std::move(stored), cut);
}

} // namespace olmpreview

void QConverterMainWindow::MessageFieldsForThePreview(MailMLRC *record, int)
{
    m_pHeaderBox->clear();
    if (!record)
        return;
    // Header values come from strangers: they go in as plain text, never as markup.
    QTextCursor cursor(m_pHeaderBox->document());
    const bool hasSender = !record->szFromAddress.isEmpty();
    const QStringList lines = olmpreview::headerLines(*record);
    for (int i = 0; i < lines.size(); ++i) {
        QTextCharFormat format;
        format.setFontWeight(hasSender && i == 0 ? olmpreview::kBoldWeight : olmpreview::kNormalWeight);
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("\n") + lines.at(i), format);
    }
    m_pHeaderBox->moveCursor(QTextCursor::Start, QTextCursor::MoveAnchor);
}

void QConverterMainWindow::OnWebViewForOlmFileInHTML(const QString &offset, const QString &length)
{
    bool read = false;
    const QString page = olmpreview::bodyPreviewPage(m_selectedFile, olmpreview::readDecimal(offset),
                                                     olmpreview::readDecimal(length), &read);
    if (!read)
        std::fputs("Error reading file", stderr);
    m_pWebView->setHtml(page);
    m_pWebView->show();
}
