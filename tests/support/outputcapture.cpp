#include "support/outputcapture.h"

#include <QLoggingCategory>

#include <cstdio>

#include <unistd.h>

namespace {
OutputCapture *current = nullptr;
} // namespace

OutputCapture::OutputCapture(const char *category, bool turnedOn) : m_category(category)
{
    QLoggingCategory::setFilterRules(turnedOn ? QString::fromLatin1(m_category + ".debug=true") : QString());
    current = this;
    m_previous = qInstallMessageHandler(handle);
    if (!m_file.open())
        return;
    std::fflush(stdout);
    m_savedOutput = ::dup(STDOUT_FILENO);
    ::dup2(m_file.handle(), STDOUT_FILENO);
}

OutputCapture::~OutputCapture()
{
    standardOutput();
    qInstallMessageHandler(m_previous);
    current = nullptr;
    QLoggingCategory::setFilterRules(QString());
}

QByteArray OutputCapture::standardOutput()
{
    if (m_savedOutput >= 0) {
        std::fflush(stdout);
        ::dup2(m_savedOutput, STDOUT_FILENO);
        ::close(m_savedOutput);
        m_savedOutput = -1;
    }
    m_file.seek(0);
    return m_file.readAll();
}

void OutputCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (current && type == QtDebugMsg && current->m_category == context.category)
        current->m_lines.append(message);
    else if (current && current->m_previous)
        current->m_previous(type, context, message);
}
