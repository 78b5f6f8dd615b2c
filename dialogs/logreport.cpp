#include "dialogs/logreport.h"

#include "app/uiprompt.h"
#include "app/windowrules.h"
#include "platform/safefiles.h"

#include <QIcon>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>

namespace {
void setButtonImage(QPushButton *button, const char *resource)
{
    button->setIcon(QIcon(QPixmap(QLatin1String(resource))));
}

// Adds text as new paragraphs at the end, always as plain text: a path may
// hold characters that look like markup.
void appendPlainParagraphs(QTextEdit *view, const QString &text)
{
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    if (!view->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
}
} // namespace

namespace logreport {

QStringList savingRecordAppends(const QString &path, const QDateTime &when)
{
    return {QLogReport::tr("Log Report Saving Path :\n") + path,
            QLogReport::tr(" Log Report Saving time :\n") + when.date().toString(Qt::TextDate)
                + QLatin1Char(',') + when.time().toString(Qt::TextDate),
            QString(63, QLatin1Char('*'))};
}

bool writeLogFile(const QString &path, const QByteArray &bytes)
{
    // Written beside the target and renamed over it on success, so a failed
    // save never leaves half a log behind; where the directory forbids that
    // but the file itself may be written, it is written in place.
    return platform::replaceFileContents(path, bytes, true);
}

QString saveFailedText(const QString &path)
{
    return QLogReport::tr("The log report could not be saved to\n%1").arg(path);
}

} // namespace logreport

QLogReport::QLogReport(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);

    connect(ClearLog, SIGNAL(clicked()), this, SLOT(ClearLogTree()));
    connect(SaveLog, SIGNAL(clicked()), this, SLOT(SaveLogTree()));
    connect(CloseButton, SIGNAL(pressed()), this, SLOT(ChangePixmapofStop()));
    connect(CloseButton, SIGNAL(released()), this, SLOT(ChangePixmapofStopOnRelease()));
    connect(ClearLog, SIGNAL(pressed()), this, SLOT(ChangePixmapofClear()));
    connect(ClearLog, SIGNAL(released()), this, SLOT(ChangePixmapofClearOnRelease()));
    connect(SaveLog, SIGNAL(pressed()), this, SLOT(ChangePixmapofSave()));
    connect(SaveLog, SIGNAL(released()), this, SLOT(ChangePixmapofSaveOnRelease()));

    SaveLog->setEnabled(false);
    ClearLog->setEnabled(false);
}

QLogReport::~QLogReport() = default;

void QLogReport::ClearLogTree()
{
    LogText->clear();
    SaveLog->setEnabled(false);
    ClearLog->setEnabled(false);
}

void QLogReport::SaveLogTree()
{
    FileDialogRequest request;
    request.parent = this;
    request.caption = QStringLiteral("Log Report to File");
    request.directory = tr("Corvane Mail Converter Log Report") + QLatin1String(".txt");
    const QString name = uiPrompter().chooseSaveFile(request);
    if (name.isEmpty())
        return;

    // The record is added only for a save that really happened, so the log
    // never claims a file that does not exist.
    if (!logreport::writeLogFile(name, LogText->toPlainText().toUtf8())) {
        showWarning(this, windowrules::kAppTitle, logreport::saveFailedText(name));
        return;
    }
    SaveLogPath(name);
}

void QLogReport::SaveLogPath(const QString &path)
{
    for (const QString &text : logreport::savingRecordAppends(path, QDateTime::currentDateTime()))
        appendPlainParagraphs(LogText, text);
}

void QLogReport::ChangePixmapofSave()
{
    setButtonImage(SaveLog, ":/images/img_Save_Click.png");
}

void QLogReport::ChangePixmapofClear()
{
    setButtonImage(ClearLog, ":/images/img_ClearLog_Click.png");
}

void QLogReport::ChangePixmapofStop()
{
    setButtonImage(CloseButton, ":/images/img_Stop_Click.png");
}

void QLogReport::ChangePixmapofSaveOnRelease()
{
    setButtonImage(SaveLog, ":/images/img_Save.png");
}

void QLogReport::ChangePixmapofClearOnRelease()
{
    setButtonImage(ClearLog, ":/images/img_ClearLog.png");
}

void QLogReport::ChangePixmapofStopOnRelease()
{
    setButtonImage(CloseButton, ":/images/img_Stop.png");
}
