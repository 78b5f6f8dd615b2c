#pragma once
// What a call writes to standard output and standard error, and the debug
// lines of one logging category that it logs.

#include <QByteArray>
#include <QStringList>

#include <functional>

struct CapturedOutput {
    QByteArray standardOutput;
    QByteArray standardError;
    QStringList debugLines;
};

// Runs call and captures its output; turnedOn switches the category's debug
// channel on, otherwise the program's own defaults hold.
CapturedOutput captureOutput(const char *category, bool turnedOn, const std::function<void()> &call);
