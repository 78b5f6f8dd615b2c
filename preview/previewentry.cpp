// Preview entry points of the main window: they read the message, let the
// preview functions work out its header lines and page, and fill the panes.

#include "app/mainwindow.h"

#include "app/safewebview.h"
#include "preview/fieldmeasure.h"
#include "preview/messagepreview.h"
#include "scan/qpdecode.h"

#include <QFont>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Each line becomes a new paragraph, inserted as plain text so that markup
// in a name or a subject is shown and never rendered.
void fillHeaderBox(QTextBrowser *headerBox, const QList<preview::HeaderLine> &lines)
{
    QTextDocument *document = headerBox->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    for (const preview::HeaderLine &line : lines) {
        QTextCharFormat format;
        format.setFontWeight(line.bold ? QFont::Bold : QFont::Normal);
        if (!document->isEmpty())
            cursor.insertBlock(cursor.blockFormat(), format);
        cursor.insertText(line.text, format);
    }
    headerBox->moveCursor(QTextCursor::Start, QTextCursor::MoveAnchor);
}

void showPreview(QConverterMainWindow *window, const QByteArray &message, preview::PreviewKind kind)
{
    window->m_previewSource = message;
    const preview::MessagePreview shown = preview::buildPreview(message, kind);
    fillHeaderBox(window->m_pHeaderBox, shown.headerLines);
    if (shown.page) {
        window->m_pWebView->setHtml(*shown.page);
        window->m_pWebView->show();
    }
    window->m_previewSource.clear();
}

} // namespace

QByteArray QConverterMainWindow::QDecode(const QString &text)
{
    return qDecode(text);
}

void QConverterMainWindow::OnWebViewForMboxFileInHTML(const QString &path, const QString &offset,
                                                      const QString &length)
{
    m_pHeaderBox->clear();
    m_pWebView->hide();
    showPreview(this, preview::readMessageRange(path, offset, length), preview::PreviewKind::ByteRange);
}

void QConverterMainWindow::OnWebViewInHTML(const QString &path)
{
    m_pHeaderBox->clear();
    m_pWebView->hide();
    showPreview(this, preview::readMessageFile(path), preview::PreviewKind::WholeFile);
}

unsigned long QConverterMainWindow::FieldValueInEmlFile(unsigned long dwPositionOfTheField, unsigned long)
{
    // One before the message: its first line, as if a line feed stood before it.
    if (dwPositionOfTheField == ~0UL)
        return preview::measureFoldedField(m_previewSource, 0);
    return preview::measureFoldedField(m_previewSource, quint64(dwPositionOfTheField) + 1);
}

unsigned long QConverterMainWindow::FieldValueAppleMailFile(unsigned long dwPositionOfTheField,
                                                           unsigned long BuffLength)
{
    return preview::measureToLineEnd(m_previewSource, dwPositionOfTheField, BuffLength);
}

unsigned long QConverterMainWindow::FieldValueInEmlFileName(unsigned long dwPositionOfTheField,
                                                           unsigned long BuffLength)
{
    return preview::measureQuotedName(m_previewSource, dwPositionOfTheField, BuffLength);
}
