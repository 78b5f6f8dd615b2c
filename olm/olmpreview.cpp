#include "olm/olmpreview.h"

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "app/safewebview.h"
#include "olm/mailmlrc.h"
#include "preview/datenormaliser.h"

#include <QFile>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>

#include <cstdio>

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

QByteArray readBodyRange(const QString &path, qint64 offset, qint64 length, bool *ok)
{
    if (ok)
        *ok = false;
    if (offset < 0 || length <= 0)
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const qint64 size = file.size();
    if (offset >= size || !file.seek(offset))
        return QByteArray();
    const qint64 count = qMin(length, size - offset);
    const QByteArray bytes = file.read(count);
    if (ok)
        *ok = !bytes.isEmpty();
    return bytes;
}

QString bodyPage(const QByteArray &storedBody)
{
    QByteArray page = storedBody;
    page.replace("&lt;", "<");
    page.replace("&amp;", "&");
    page.replace("&nbsp;", " ");
    page.replace("&amp;lt;", "<");
    page.replace("&gt;", ">");
    return QString::fromUtf8(page);
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
    const QByteArray body =
        olmpreview::readBodyRange(m_selectedFile, olmpreview::readDecimal(offset),
                                 olmpreview::readDecimal(length), &read);
    if (!read)
        std::fputs("Error reading file", stderr);
    m_pWebView->setHtml(olmpreview::bodyPage(body));
    m_pWebView->show();
}
