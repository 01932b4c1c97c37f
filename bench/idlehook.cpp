// Preloaded (LD_PRELOAD) into a Qt program. With MOUSECFG_BENCH_EXIT_WHEN_IDLE=1, the first
// time the GUI thread's event loop is about to wait after a top-level window was exposed, it
// writes one line to MOUSECFG_BENCH_OUT (or stderr) and ends the process at once:
//   idle_ns=<CLOCK_MONOTONIC ns> hwm_kb=<peak RSS> rss_kb=<RSS>
// Ending with _exit keeps the program from saving anything.
// With MOUSECFG_BENCH_CLOSE_AFTER_SHOW=<ms> instead, it closes the first top-level window at
// least 200 pixels wide that is exposed (not a tray icon), that long after the expose, as the
// window's close button would, and writes
//   closed_ns=<CLOCK_MONOTONIC ns> visible=<0|1>
// to MOUSECFG_BENCH_OUT: a program that hides to the tray then runs on with its window hidden.
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

long statusKb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void writeOut(const char *text, int len)
{
    int fd = 2;
    if (const char *out = std::getenv("MOUSECFG_BENCH_OUT"); out && *out)
        fd = ::open(out, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0 && len > 0 && ::write(fd, text, size_t(len)) < 0)
        ::_exit(3);
    if (fd > 2)
        ::close(fd);
}

void reportAndExit()
{
    char text[160];
    const int len = std::snprintf(text, sizeof text, "idle_ns=%lld hwm_kb=%ld rss_kb=%ld\n",
                                  monotonicNs(), statusKb("VmHWM"), statusKb("VmRSS"));
    writeOut(text, len);
    ::_exit(0);
}

bool isMainWindow(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Expose || !watched->isWindowType())
        return false;
    auto *w = static_cast<QWindow *>(watched);
    return w->isTopLevel() && w->isExposed() && w->type() != Qt::ToolTip && w->type() != Qt::Popup;
}

class CloseWatch : public QObject
{
public:
    CloseWatch(QObject *parent, int delayMs) : QObject(parent), delay(delayMs) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A tray icon is a small top-level window of its own on X11: not the one to close.
        if (!done && isMainWindow(watched, event)
            && static_cast<QWindow *>(watched)->width() >= MinWidth) {
            done = true;
            QPointer<QWindow> w = static_cast<QWindow *>(watched);
            QTimer::singleShot(delay, this, [w] {
                if (!w)
                    return;
                w->close();
                char text[96];
                const int len = std::snprintf(text, sizeof text, "closed_ns=%lld visible=%d\n",
                                              monotonicNs(), int(w && w->isVisible()));
                writeOut(text, len);
            });
        }
        return false;
    }

private:
    static constexpr int MinWidth = 200;
    const int delay;
    bool done = false;
};

class IdleWatch : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!hooked) {
            if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(qApp->thread())) {
                hooked = true;
                QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                    if (shown)
                        reportAndExit();
                });
            }
        }
        if (!shown && isMainWindow(watched, event))
            shown = true;
        return false;
    }

private:
    bool hooked = false;
    bool shown = false;
};

void install()
{
    if (const char *close = std::getenv("MOUSECFG_BENCH_CLOSE_AFTER_SHOW"); close && *close) {
        qApp->installEventFilter(new CloseWatch(qApp, std::atoi(close)));
        return;
    }
    const char *on = std::getenv("MOUSECFG_BENCH_EXIT_WHEN_IDLE");
    if (!on || std::strcmp(on, "1") != 0)
        return;
    qApp->installEventFilter(new IdleWatch(qApp));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
