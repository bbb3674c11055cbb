// Times what a reader of a large log waits for in the main window: start to
// a painted first page with the counts in the title, W to window-width
// wrapping, a resize burst in that mode, and a search for a missing string
// through the search dialog, each wall time in milliseconds.
//   window_bench LOG [--open-only]
// With --open-only it stops after the first painted page, so a caller can
// time the whole process from its start.
#include "app/Main.h"
#include "app/Preload.h"
#include "navigation/Search.h"
#include "navigation/Wrapchg.h"
#include "platform/Application.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

#include <QAbstractEventDispatcher>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Counts the paint events of the text view, and when the first one came.
class PaintWatch : public QObject {
public:
    int paints = 0;
    Clock::time_point first;
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && qobject_cast<pelto::TBigView*>(watched) && paints++ == 0)
            first = Clock::now();
        return false;
    }
};

void WaitUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Answers the modal windows a command opens, one callback each.
class Answer : public QObject {
public:
    explicit Answer(std::function<bool(QWidget*)> act) : act_(std::move(act))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QWidget* w = QApplication::activeModalWidget(); w && w != last_) {
                last_ = w;
                if (!act_(w))
                    if (auto* d = qobject_cast<QDialog*>(w))
                        d->reject();
            }
        });
        timer_.start(1);
    }

private:
    std::function<bool(QWidget*)> act_;
    QTimer timer_;
    QWidget* last_ = nullptr;
};

long PeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = Clock::now();
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench LOG [--open-only]\n");
        return 2;
    }
    const bool openOnly = argc > 2 && std::string(argv[2]) == "--open-only";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program's own start does.
    pelto::StartPreload(QFile::encodeName(QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath()).toStdString());
    pelto::Application app(argc, argv);
    // A settings file of its own, so no stored placement or resume point
    // changes what is measured.
    QTemporaryDir folder;
    pelto::SetExecutablePathForTesting(folder.filePath(QStringLiteral("pelto")).toStdString());

    PaintWatch watch;
    app.installEventFilter(&watch);  // the view is made, and may paint, inside the window's constructor
    auto* form = new TForm1(QStringList{QString::fromLocal8Bit(argv[1])});
    const int paintsBefore = watch.paints;
    form->resize(800, 900);
    form->show();
    WaitUntil([&] { return watch.paints > paintsBefore; });
    const double openMs = MsSince(start);
    std::printf("open_ms %.0f\nfirst_page_ms %.0f\ntitle %s\n", openMs,
                std::chrono::duration<double, std::milli>(watch.first - start).count(),
                form->windowTitle().toUtf8().constData());
    // From the launch (as the caller's clock saw it, before exec and the
    // loading of the libraries) to the page with its counts: what a reader
    // waits for, without the ending of the process.
    if (const char* launch = std::getenv("PELTO_LAUNCH_NS")) {
        const double nowNs = std::chrono::duration<double, std::nano>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
        std::printf("launch_open_ms %.0f\n", (nowNs - std::strtod(launch, nullptr)) / 1e6);
    }
    std::fflush(stdout);
    if (openOnly)
        std::_Exit(0);

    pelto::TBigView* view = form->BigView1;
    auto settled = [&] { return !view->LayoutPending(); };

    // W, answered with one of the dialog's two buttons.
    auto switchWrap = [&](bool toWindowWidth, const char* label) {
        Answer answer([toWindowWidth](QWidget* w) {
            if (auto* d = qobject_cast<TForm19*>(w)) {
                (toWindowWidth ? d->BtnWrapOn : d->BtnWrapOff)->click();
                return true;
            }
            return false;
        });
        const Clock::time_point t = Clock::now();
        form->MenuWrapChangeClick();
        WaitUntil(settled);
        std::printf("%s %.0f\n", label, MsSince(t));
    };
    switchWrap(true, "wrap_window_ms");
    std::printf("window_title %s\n", form->windowTitle().toUtf8().constData());
    // One resize, then a burst of ten 50 ms apart: from the last resize to
    // the layout of the final size.
    {
        const int topLine = view->LineOfRow(view->TopRow());
        Clock::time_point t = Clock::now();
        form->resize(700, 900);
        QCoreApplication::processEvents();
        const double answered = MsSince(t);
        WaitUntil(settled);
        std::printf("resize_answer_ms %.0f\nresize_ms %.0f\n", answered, MsSince(t));
        double longestStep = 0;
        for (int k = 0; k < 10; ++k) {
            const Clock::time_point step = Clock::now();
            form->resize(600 + 20 * k, 900);
            QCoreApplication::processEvents();
            longestStep = std::max(longestStep, MsSince(step));
            while (MsSince(step) < 50)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        t = Clock::now();
        WaitUntil(settled);
        std::printf("burst_longest_event_ms %.0f\nburst_settle_ms %.0f\ntop_line_kept %d\n", longestStep, MsSince(t),
                    view->LineOfRow(view->TopRow()) == topLine);
    }
    // F with a missing string, through the dialog, in window-width mode and
    // at 80 bytes.
    auto search = [&](const char* label) {
        Clock::time_point t;
        double noticeMs = -1;
        Answer answer([&](QWidget* w) {
            if (auto* d = qobject_cast<TForm4*>(w)) {
                d->Edit1->setText(QStringLiteral("存在しない語句"));
                t = Clock::now();
                d->BtnSearch->click();
                return true;
            }
            noticeMs = MsSince(t);  // the not-found notice
            return false;
        });
        form->MenuFindClick();
        WaitUntil([&] { return noticeMs >= 0; });
        std::printf("%s %.0f\n", label, noticeMs);
    };
    search("search_window_ms");
    switchWrap(false, "wrap_bytes_ms");
    search("search_80_ms");
    std::printf("peak_mb %ld\n", PeakMb());
    std::fflush(stdout);
    std::_Exit(0);
}
