#include "support/outputcapture.h"

#include <QLoggingCategory>
#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

namespace {
const char *capturedCategory = nullptr;
QStringList *capturedLines = nullptr;
QtMessageHandler previousHandler = nullptr;

void collectDebugLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && qstrcmp(context.category, capturedCategory) == 0)
        capturedLines->append(message);
    else
        previousHandler(type, context, message);
}
} // namespace

CapturedOutput captureOutput(const char *category, bool turnedOn, const std::function<void()> &call)
{
    CapturedOutput output;
    QTemporaryFile file;
    QTemporaryFile errorFile;
    if (!file.open() || !errorFile.open())
        return output;
    QLoggingCategory::setFilterRules(turnedOn ? QLatin1String(category) + QLatin1String(".debug=true") : QString());
    capturedCategory = category;
    capturedLines = &output.debugLines;
    previousHandler = qInstallMessageHandler(collectDebugLine);
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOutput = ::dup(STDOUT_FILENO);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDOUT_FILENO);
    ::dup2(errorFile.handle(), STDERR_FILENO);

    call();

    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOutput, STDOUT_FILENO);
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedOutput);
    ::close(savedError);
    qInstallMessageHandler(previousHandler);
    QLoggingCategory::setFilterRules(QString());
    file.seek(0);
    output.standardOutput = file.readAll();
    errorFile.seek(0);
    output.standardError = errorFile.readAll();
    return output;
}
