#pragma once
// Pure rules of the save front end: the targets the save dialog offers, the
// output tree of a target and the texts of its questions and refusals.

#include "convert/savesnapshot.h"

#include <QString>

namespace savefrontend {

// Title of the replace question and of the refusals.
extern const QString kTitle;
// Caption of the directory chooser.
extern const QString kDirectoryCaption;
// No target exists for the scanned source.
extern const QString kNoTargetText;
// The output tree would hold the source or lie inside it.
extern const QString kOverlapText;

// States of the two target buttons of the save dialog.
struct TargetButtons {
    bool appleEnabled = true;
    bool appleChecked = false;
    bool outlookEnabled = true;
    bool outlookChecked = false;

    bool operator==(const TargetButtons &other) const;
};

// The buttons for the client index chosen in the source window, with every
// target that has no driver for the scanned source disabled and unticked.
TargetButtons targetButtonsFor(unsigned clientIndex, SaveSource source);
// True when at least one target can be chosen.
bool anyTargetOffered(const TargetButtons &buttons);

// Name of the output tree of target ("Main Identity.rge" or "Main Identity.mbox").
QString treeName(SaveTarget target);
// saveDir + "/" + treeName(target).
QString targetTreePath(const QString &saveDir, SaveTarget target);
// The replace question for an existing output tree.
QString replaceQuestion(SaveTarget target);
// The warning when an existing output tree could not be removed.
QString removeFailedText(SaveTarget target);

} // namespace savefrontend
