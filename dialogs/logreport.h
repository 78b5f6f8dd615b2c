#pragma once
// The log-report window: a read-only log, saved on request to a text file
// with a record of each save appended to the log.

#include "ui_LogReportDialog.h"

#include <QByteArray>
#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>

class QLogReport : public QDialog, public Ui::LogReportDialog
{
    Q_OBJECT

public:
    explicit QLogReport(QWidget *parent = nullptr);
    ~QLogReport() override;

    // Appends the record of a save to path: path, date and time, asterisks.
    void SaveLogPath(const QString &path);

private slots:
    // Empties the log and disables Save and Clear.
    void ClearLogTree();
    // Asks for a file, writes the log to it and records the save.
    void SaveLogTree();
    // Pressed and released images of the three buttons.
    void ChangePixmapofSave();
    void ChangePixmapofClear();
    void ChangePixmapofStop();
    void ChangePixmapofSaveOnRelease();
    void ChangePixmapofClearOnRelease();
    void ChangePixmapofStopOnRelease();
};

namespace logreport {

// The three texts appended to the log for a save to path at when; the line
// feeds inside them start new paragraphs.
QStringList savingRecordAppends(const QString &path, const QDateTime &when);

// Writes bytes as the whole content of path (replacing a file there);
// false when the file could not be opened, written or closed.
bool writeLogFile(const QString &path, const QByteArray &bytes);

// Text of the warning shown when a save failed.
QString saveFailedText(const QString &path);

} // namespace logreport
