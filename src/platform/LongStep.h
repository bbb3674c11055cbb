// A step that may take seconds on a large document (reading a file): it runs
// on another thread while the window goes on painting, with a caption in the
// window's title once it has run for half a second.
#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "view/BvStrings.h"

namespace pelto {

// The title's word while a document is read.
inline constexpr const char* kLoadingCaption = "読込中...";

// While a long step lets paint events through, a dropped file or a close
// request would replace or empty the document being worked on: both are
// refused until the step is over.  Keys and clicks stay queued anyway.
class LongStepGuard : public QObject {
public:
    LongStepGuard();
    ~LongStepGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Runs work to its end and rethrows what it threw.  Input waits meanwhile,
// as during the other long commands; the title is left for the caller to
// rebuild.
void RunLongStep(QWidget* window, const QString& caption, const std::function<void()>& work);

// The title while a document is read: titleBefore with the loading word.
QString LoadingCaption(const QString& titleBefore);

// Reads a document (path in the file system's encoding) into a store of its
// own as a long step, the title being titleBefore with the loading word after
// it meanwhile.  Throws what the read threw.
std::unique_ptr<TBvStrings> ReadDocument(QWidget* window, const QString& titleBefore, const std::string& path);

}  // namespace pelto
