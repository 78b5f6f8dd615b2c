#pragma once
// What a test's calls write to standard output, and the debug lines of one
// logging category, while a capture lives.

#include <QByteArray>
#include <QStringList>
#include <QTemporaryFile>

class OutputCapture
{
public:
    // Starts capturing; turnedOn switches the category's debug channel on,
    // otherwise the program's own defaults hold.
    OutputCapture(const char *category, bool turnedOn);
    // Ends the capture if standardOutput has not, and restores the rules.
    ~OutputCapture();
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

    // Ends the capture: the bytes written to standard output.
    QByteArray standardOutput();
    // The category's debug lines so far.
    QStringList debugLines() const { return m_lines; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QByteArray m_category;
    QStringList m_lines;
    QTemporaryFile m_file;
    int m_savedOutput = -1;
    QtMessageHandler m_previous = nullptr;
};
