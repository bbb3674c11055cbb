#include "platform/LongStep.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace pelto {

namespace {
constexpr int kCaptionAfterMs = 500;
constexpr int kEventsEveryMs = 20;
}  // namespace

LongStepGuard::LongStepGuard() { QCoreApplication::instance()->installEventFilter(this); }
LongStepGuard::~LongStepGuard() { QCoreApplication::instance()->removeEventFilter(this); }

bool LongStepGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void RunLongStep(QWidget* window, const QString& caption, const std::function<void()>& work)
{
    LongStepGuard guard;
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    auto run = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true, std::memory_order_release);
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        run();  // no thread to be had: the window waits
    }
    QElapsedTimer elapsed;
    elapsed.start();
    bool captioned = false;
    while (!done.load(std::memory_order_acquire)) {
        if (!captioned && elapsed.elapsed() >= kCaptionAfterMs && window) {
            window->setWindowTitle(caption);
            captioned = true;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kEventsEveryMs);
        if (!done.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (worker.joinable())
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

QString LoadingCaption(const QString& titleBefore)
{
    return titleBefore + QStringLiteral("  ") + QString::fromUtf8(kLoadingCaption);
}

std::unique_ptr<TBvStrings> ReadDocument(QWidget* window, const QString& titleBefore, const std::string& path)
{
    auto lines = std::make_unique<TBvStrings>();
    RunLongStep(window, LoadingCaption(titleBefore), [&] { lines->LoadFromFile(path); });
    return lines;
}

}  // namespace pelto
