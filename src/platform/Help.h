#pragma once
// The help window: a non-modal browser over the HTML guide shipped beside the
// executable (or, installed, in share/pelto). One window serves the whole run;
// asking again raises it.

#include <QString>

class QWidget;
class QTextBrowser;

namespace pelto {

// Shows the guide at besideExecutable, or when there is none there, the one
// installed at InstalledHelpFile(besideExecutable). Returns false (after a
// warning naming the file beside the executable) when neither can be read.
bool ShowHelpFile(QWidget* parent, const QString& besideExecutable);

// Where an installed copy keeps the guide: "<prefix>/share/pelto/<name>" for
// "<prefix>/bin/<name>".
QString InstalledHelpFile(const QString& besideExecutable);

// The window currently showing the guide, or null; for tests.
QTextBrowser* HelpWindow();

}  // namespace pelto
