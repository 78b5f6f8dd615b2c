// Prints, for each message file named on the command line, the From and
// Subject text that the list summaries, the mbox indexer and the preview
// make of it, and the preview's page, as one JSON object per line. The
// header comparison script feeds it the messages it also gives to Python's
// email package.

#include "browser/listsummary.h"
#include "preview/headerlines.h"
#include "preview/messagepreview.h"
#include "scan/mboxindexer.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QVector>

#include <cstdio>

namespace {

QJsonObject describe(const QString &path, const QTemporaryDir &scratch)
{
    QJsonObject result;
    result[QStringLiteral("file")] = path;

    listsummary::MessageSummary summary;
    if (listsummary::summarizeMessageFile(path, &summary)) {
        result[QStringLiteral("summary_from")] = summary.sender;
        result[QStringLiteral("summary_subject")] = summary.subject;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray message = file.readAll();

    // The same message as the only one of an mbox file.
    const QString mboxPath = scratch.filePath(QStringLiteral("box"));
    QFile mbox(mboxPath);
    if (mbox.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        mbox.write("From sender@example.org Mon Jan  1 00:00:00 2024\n" + message);
        mbox.close();
        QVector<mboxindex::MboxMessage> messages;
        mboxindex::collectMboxMessages(mboxPath, messages);
        if (!messages.isEmpty()) {
            result[QStringLiteral("mbox_from")] = messages.first().from;
            result[QStringLiteral("mbox_subject")] = messages.first().subject;
        }
    }

    const preview::RawHeader header = preview::scanRawHeader(message, preview::PreviewKind::WholeFile);
    if (header.from)
        result[QStringLiteral("preview_from")] = preview::fromLine(*header.from);
    if (header.subject)
        result[QStringLiteral("preview_subject")] = preview::subjectLine(*header.subject);
    const preview::MessagePreview shown = preview::buildPreview(message, preview::PreviewKind::WholeFile);
    if (shown.page)
        result[QStringLiteral("preview_page")] = *shown.page;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 2;
    const QStringList paths = app.arguments().mid(1);
    for (const QString &path : paths) {
        const QByteArray line = QJsonDocument(describe(path, scratch)).toJson(QJsonDocument::Compact);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}
