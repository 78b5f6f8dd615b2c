#pragma once
// The saving thread: writes the ticked folders into the chosen target.

#include "app/workerthread.h"
#include "convert/savesnapshot.h"
#include "convert/mboxappender.h"

#include <QByteArray>
#include <QHash>
#include <QString>

class QMailSaving : public WorkerThread
{
    Q_OBJECT

public:
    explicit QMailSaving(QObject *parent = nullptr);
    ~QMailSaving() override;

    // Writes the three skeleton files of the identity bundle at path (no
    // trailing "/"); files that exist already keep their single copy.
    void CreateFilesInMainIdentity(QString path);

    // Message writers. Each appends one record (its separator line where it
    // has one, text as bytes, and the line feeds its rule gives) to the mbox
    // file its path rule derives from the source path, and returns whether
    // the whole record was written. A source path that is not registered for
    // the tree, or a path rule that yields no file, writes nothing.
    // Apple Mail .emlx to the Outlook 2011 bundle; incomplete: text lacks a
    // part that could not be read.
    bool writeMail(const QByteArray &text, const QString &bundlePath, const QString &sourcePath,
                   bool incomplete = false);
    // MailMate .eml to the Apple Mail tree.
    bool writeMailForMailMateAppleMail(const QByteArray &text, const QString &sourcePath);
    // MailMate .eml to the Outlook 2011 bundle.
    bool writeMailForMailMate(const QByteArray &text, const QString &bundlePath, const QString &sourcePath);
    // Outspring Mail .eml/.f.eml to the Outlook 2011 bundle.
    bool writeMailForOutSpring(const QByteArray &text, const QString &bundlePath, const QString &sourcePath);
    // Outspring Mail .eml/.f.eml to the Apple Mail tree.
    bool writeMailForOutSpringAppleMail(const QByteArray &text, const QString &sourcePath);
    // Opera Mail .mbs to the Outlook 2011 bundle; folderPath is "/" + account + "/" + location.
    bool writeMailForOperaMailOutlook(const QByteArray &text, const QString &bundlePath,
                                      const QString &folderPath, const QString &sourcePath);
    // Opera Mail .mbs to the Apple Mail tree.
    bool writeMailForOperaAppleMail(const QByteArray &text, const QString &folderPath,
                                    const QString &sourcePath);
    // mbox family to the Apple Mail tree: one piece of the source file named by
    // GetAllFilePathInStrList, appended unchanged; after the piece with
    // endOfFile set, one line feed follows (no line feed between pieces).
    // messages: the messages of the source file, told with that last piece;
    // incomplete: the last of them was cut where the reading failed.
    bool writeMailForPostBoxAppleMail(const QByteArray &text, bool endOfFile = true, qint64 messages = 1,
                                      bool incomplete = false);
    // mbox family to the Outlook 2011 bundle, as writeMailForPostBoxAppleMail.
    bool writeMailForPostBoxOutlook(const QByteArray &text, bool endOfFile = true, qint64 messages = 1,
                                    bool incomplete = false);

    // Makes the writers start a new save: the output file they keep open is
    // closed, made folders and the sources of output files are forgotten, the
    // skeleton counts as unwritten.
    void resetWriters();
    // Closes the output file the writers keep open between records; false
    // when the close reported an error.
    bool closeWriterOutput();
    // Cuts back what the mbox-family writers appended of a source file whose
    // piece with endOfFile never came (a stop in the middle of a file).
    void discardUnfinishedPieces();

    // Result code of the last Finder-information call of a writer; nothing reads it.
    qint32 nOSErr = 0;

    // The state the next run works from; taken by the GUI thread before the
    // start request. Ignored while a run is under way.
    void prepareSave(const SaveSnapshot &snapshot);
    const SaveSnapshot &snapshot() const { return m_snapshot; }
    // What the latest run did; complete when its end signals are emitted.
    SaveOutcome lastOutcome() const { return m_outcome; }

    // Drivers, one per source kind and target; run() calls one of them.
    // mbox family, both targets.
    void PostBoxFileSearch();
    // MailMate.
    void FileSearchForEmlAppleMail();
    void FileSearchForEmlOutlook();
    // Outspring Mail.
    void FileSearchForEmlandfEmlAppleMail();
    void FileSearchForEmlandfEmlOutlook();
    // Apple Mail .emlx to Outlook 2011.
    void FileSearch();
    // Opera Mail.
    void FileSearchForMbsOutlook();
    void FileSearchForMbsAppleMail();
    // Outlook 2011 backup (.olm) to Apple Mail.
    void OnMailSaving();

signals:
    void SettingForOlm(qlonglong value);
    void SigForProgressValueOfOlm(qlonglong value);
    void OnSubProgressvalue(double percent);
    void OnIndivisibleProgressvalue(double percent);
    void OnSubProgressHide();
    void ProgressDailogHide();
    void OnShowProgressDlg();
    void NoDataIntoFile();
    void FinishSaving();
    void ShowProgressLabel();

protected:
    void run() override;

private:
    // The per-message frame of the file-per-message drivers: reads each file
    // of the ticked folders, makes its text and hands it to write.
    enum class MessageKind { MailMate, Outspring, Emlx, Opera };
    void runMessageDriver(MessageKind kind);
    // Start and end of every driver run.
    void beginRun();
    void finishRun();
    // Emits the progress value when its whole percentage changed.
    void reportProgress(qint64 done, qint64 total);
    // Makes the bundle directories and writes its skeleton (Outlook 2011).
    void prepareBundle();
    // Converts one mbox source file; returns false when it was stopped.
    bool convertMboxFile(const QString &path, qint64 &bytesDone, qint64 bytesTotal);
    // The place the mbox-family writers use for source: the rule's own, or,
    // when another source of this save wrote to that file, one kept apart.
    outputpaths::OutputTarget placeOfMboxSource(const outputpaths::OutputTarget &byRule, const QString &source,
                                                const QString &treeRoot) const;
    // Appends a piece of the mbox source file source and records which
    // source the output file belongs to.
    bool appendMboxPiece(const outputpaths::OutputTarget &target, quint32 type, const QString &source,
                         const QByteArray &text, bool endOfFile, qint64 messages, bool incomplete);

    SaveSnapshot m_snapshot;
    SaveOutcome m_outcome;
    int m_lastPercent = -1;
    // Output file, made folders and piece runs of the message writers.
    MboxAppender m_writerOutput;
    // Bundle whose skeleton the mbox-family bundle writer wrote in this save.
    QString m_skeletonWrittenFor;
    // Output file (case-folded, as a case-insensitive file system sees it)
    // to the mbox source file written into it in this save.
    QHash<QString, QString> m_mboxOutputSources;
};
