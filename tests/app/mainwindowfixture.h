#pragma once
// A fresh main window for each test, built the way main builds it, and
// worker threads that can be held inside run() to play a running job.

#include "app/appglobals.h"
#include "app/mainwindow.h"
#include "convert/mailsaving.h"
#include "scan/messagesavingthread.h"
#include "support/globalsreset.h"

#include <QAction>
#include <QSemaphore>
#include <QTemporaryDir>

#include <memory>

// Owns one main window and the unparented objects its construction makes.
class MainWindowFixture
{
public:
    // Resets the globals, points the bundle paths into a temporary directory
    // and builds the window with main's minimum size.
    void setUp()
    {
        resetAllGlobalsForTest();
        resources = std::make_unique<QTemporaryDir>();
        HelpFilePath = resources->path();
        strPlistPathLink = HelpFilePath;
        strPlistPath = HelpFilePath + QStringLiteral("/MailConverterLink.plist");
        window = new QConverterMainWindow(nullptr);
        window->setMinimumWidth(900);
        window->setMinimumHeight(640);
    }

    void tearDown()
    {
        if (window) {
            delete window->licenseAct;
            delete window;
            window = nullptr;
        }
        delete pMessageSavingThread;
        delete pMailSaving;
        resetAllGlobalsForTest();
        resources.reset();
    }

    QConverterMainWindow *window = nullptr;
    std::unique_ptr<QTemporaryDir> resources;
};

// A scanning thread whose run() waits until release() is called.
class HeldScanThread : public QMessageSavingThread
{
public:
    void release()
    {
        gate.release();
        wait();
    }

protected:
    void run() override { gate.acquire(); }

private:
    QSemaphore gate;
};

// A saving thread whose run() waits until release() is called.
class HeldSaveThread : public QMailSaving
{
public:
    void release()
    {
        gate.release();
        wait();
    }

protected:
    void run() override { gate.acquire(); }

private:
    QSemaphore gate;
};
