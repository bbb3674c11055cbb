#pragma once
// The help window: a non-modal browser over the HTML guide shipped beside the
// executable. One window serves the whole run; asking again raises it.

#include <QString>

class QWidget;
class QTextBrowser;

namespace pelto {

// Shows the guide at helpFilePath. Returns false (after a warning naming the
// file) when it cannot be read.
bool ShowHelpFile(QWidget* parent, const QString& helpFilePath);

// The window currently showing the guide, or null; for tests.
QTextBrowser* HelpWindow();

}  // namespace pelto
