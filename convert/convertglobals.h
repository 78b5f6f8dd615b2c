#pragma once
// Process-wide state of the conversion: target flags and save bookkeeping.

#include <QtGlobal>

#include <atomic>

class SaveAsWindow;

// Target flags: the save dialog sets one and clears the other.
extern std::atomic<bool> bForAppleMail;
extern std::atomic<bool> bForOutlookMail;
// 1 while a save runs.
extern std::atomic<bool> IsPreview;
// 1 once a save has written a message.
extern std::atomic<bool> FileSavingIdentification;

// Number of messages the running save is to convert.
extern std::atomic<quint64> ulCount;

// The newest save dialog (earlier ones stay, hidden, as children of the main window).
extern SaveAsWindow *m_pSaveAs;

// Puts every variable above back to its program-start value.
void resetConvertGlobalsForTest();
