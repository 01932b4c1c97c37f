// Change latency and GUI responsiveness of the real main window against the virtual mouse.
//   QT_QPA_PLATFORM=offscreen VMOUSE_DEVICES= bench_changes [ROUNDS]
// Each change is made ROUNDS times by a simulated click or key press, alternating between two
// values so that every round really changes something. Latency: from the start of the user
// action to the last report of the change on the wire (trace time stamps), against the
// change's pacing floor. Responsiveness: the longest time the GUI thread spends in one event
// (its own clicks included) before it is back in its event loop, from the action until the
// wire is quiet again.
#include "app/mainwindow.h"
#include "app/startup.h"
#include "bench/benchrow.h"
#include "bench/benchtree.h"
#include "bench/traceanalysis.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/keys/childmenuwindow.h"
#include "pages/keys/macromenu.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mousekey.h"
#include "pages/keys/mousewindow.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "profiles/profilemanager.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point traceZero;
int mouseId = -1;

double nowMs()
{
    return std::chrono::duration<double, std::milli>(Clock::now() - traceZero).count();
}

std::string traceText()
{
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const size_t n = vmouse_trace(buffer.data(), buffer.size());
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n + (1 << 16));
    }
}

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Times every outermost event the GUI thread dispatches; the benchmark's own polling is left out.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    QObject *excluded = nullptr;
    qint64 maxEventNs = 0;
    qint64 maxEventCpuNs = 0; // thread CPU time of that event: the rest is waiting for a core
    QString maxEventWhat;

    void reset()
    {
        maxEventNs = 0;
        maxEventCpuNs = 0;
        maxEventWhat.clear();
    }

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (QThread::currentThread() != thread() || (depth == 0 && receiver == excluded))
            return QApplication::notify(receiver, event);
        if (depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --depth;
            return r;
        }
        QElapsedTimer t;
        t.start();
        const qint64 cpu0 = threadCpuNs();
        const QString what = QString::fromLatin1(receiver->metaObject()->className()) + "/"
                             + QString::number(int(event->type()));
        const bool r = QApplication::notify(receiver, event);
        --depth;
        const qint64 ns = t.nsecsElapsed();
        if (ns > maxEventNs) {
            maxEventNs = ns;
            maxEventCpuNs = threadCpuNs() - cpu0;
            maxEventWhat = what;
        }
        return r;
    }

private:
    int depth = 0;
};

struct Change
{
    std::string name;
    int page = 0;
    // What the change has to send: commands without data and with data (their pacing floor).
    int plainCommands = 0;
    int dataCommands = 0;
    // Gets the window ready for round r (navigation, typing); false when the controls are missing.
    std::function<bool(MainWindow *, int)> prepare;
    // The user action itself.
    std::function<void(MainWindow *, int)> act;
    // Whether the mouse's state shows the change.
    std::function<bool(const vmouse_state &, const vmouse_state &)> arrived;
};

struct Result
{
    std::vector<double> latency, floor, eventMs;
    double worstEventCpuMs = 0;
    std::vector<int> commands;
    int failed = 0;
    bool missing = false;
    QString worstEvent;
};

void clickRow(QListView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

template <typename T>
T *child(QWidget *page, const char *name)
{
    return page ? page->findChild<T *>(QLatin1String(name)) : nullptr;
}

QLineEdit *dpiEdit(MainWindow *w)
{
    QWidget *card = child<QWidget>(w->dpiPage, "dpi1");
    return card ? card->findChild<QLineEdit *>() : nullptr;
}

std::vector<Change> changes()
{
    std::vector<Change> list;
    list.push_back({"key assignment", 0, 1, 2, // keys, colours, lighting
                    [](MainWindow *w, int) {
                        if (w->mousePage->markers.size() <= 3)
                            return false;
                        QTest::mouseClick(w->mousePage->markers[3], Qt::LeftButton);
                        clickRow(w->mainMenu->mainMenuListView, 3);
                        return MouseData::instance()->currentKey == 3;
                    },
                    [](MainWindow *w, int r) { clickRow(w->childMenu->childMenuListView, r % 2 ? 5 : 0); },
                    [](const vmouse_state &a, const vmouse_state &b) {
                        return std::memcmp(a.keys[3], b.keys[3], 4) != 0;
                    }});
    list.push_back({"DPI change", 1, 5, 1, // four DPI commands, colours, lighting
                    [](MainWindow *w, int r) {
                        QLineEdit *e = dpiEdit(w);
                        if (!e)
                            return false;
                        QTest::mouseClick(e, Qt::LeftButton);
                        e->selectAll();
                        QTest::keyClicks(e, r % 2 ? QStringLiteral("1750") : QStringLiteral("1650"));
                        return true;
                    },
                    [](MainWindow *w, int) { QTest::keyClick(dpiEdit(w), Qt::Key_Return); },
                    [](const vmouse_state &a, const vmouse_state &b) {
                        return std::memcmp(a.dpiX, b.dpiX, 8) != 0;
                    }});
    list.push_back({"report-rate change", 1, 2, 1, // rate, colours, lighting
                    [](MainWindow *w, int) {
                        return child<QAbstractButton>(w->dpiPage, "rate500Btn")
                               && child<QAbstractButton>(w->dpiPage, "rate1000Btn");
                    },
                    [](MainWindow *w, int r) {
                        QTest::mouseClick(child<QAbstractButton>(w->dpiPage, r % 2 ? "rate1000Btn" : "rate500Btn"),
                                          Qt::LeftButton);
                    },
                    [](const vmouse_state &a, const vmouse_state &b) { return a.reportRate != b.reportRate; }});
    list.push_back({"lighting effect change", 2, 1, 0, // lighting
                    [](MainWindow *w, int) {
                        return child<QAbstractButton>(w->lightPage, "effectBtn2")
                               && child<QAbstractButton>(w->lightPage, "effectBtn3");
                    },
                    [](MainWindow *w, int r) {
                        QTest::mouseClick(child<QAbstractButton>(w->lightPage, r % 2 ? "effectBtn3" : "effectBtn2"),
                                          Qt::LeftButton);
                    },
                    [](const vmouse_state &a, const vmouse_state &b) { return a.lightMode != b.lightMode; }});
    list.push_back({"colour change", 2, 1, 1, // colours, lighting
                    [](MainWindow *w, int r) {
                        QLineEdit *e = child<QLineEdit>(w->lightPage, "rLineEdit");
                        if (!e)
                            return false;
                        QTest::mouseClick(e, Qt::LeftButton);
                        e->selectAll();
                        QTest::keyClicks(e, r % 2 ? QStringLiteral("200") : QStringLiteral("10"));
                        return true;
                    },
                    [](MainWindow *w, int) {
                        QTest::keyClick(child<QLineEdit>(w->lightPage, "rLineEdit"), Qt::Key_Return);
                    },
                    [](const vmouse_state &a, const vmouse_state &b) {
                        return std::memcmp(a.colors, b.colors, sizeof a.colors) != 0;
                    }});
    list.push_back({"macro binding", 0, 1, 3, // keys, colours, lighting, macro
                    [](MainWindow *w, int r) {
                        if (w->mousePage->markers.size() <= 5)
                            return false;
                        QTest::mouseClick(w->mousePage->markers[5], Qt::LeftButton);
                        w->macroMenu->optionList->setCurrentIndex(r % 2);
                        return MouseData::instance()->currentKey == 5 && w->macroMenu->optionList->count() == 2;
                    },
                    [](MainWindow *w, int) { QTest::mouseClick(w->macroMenu->saveBtn, Qt::LeftButton); },
                    [](const vmouse_state &a, const vmouse_state &b) {
                        return std::memcmp(a.macros[5], b.macros[5], 192) != 0
                               || std::memcmp(a.keys[5], b.keys[5], 4) != 0;
                    }});
    // Profile switches from the chooser: two profiles that differ in keys, DPI, report rate and
    // lighting, and two that differ in the lighting brightness only.
    const auto profilePair = [](const char *first, const char *second, bool lightOnly) {
        return [=](MainWindow *w, int r) {
            ProfileManager *pm = ProfileManager::instance();
            MouseData *md = MouseData::instance();
            if (pm->index().position(QLatin1String(first)) < 0) {
                for (int i = 0; i < 2; ++i) {
                    const QString name = pm->create(QLatin1String(i ? second : first), false);
                    if (name.isEmpty() || !pm->activate(name))
                        return false;
                    md->lightValue = {1, i ? 2 : 4, 2, 0};
                    if (lightOnly)
                        continue;
                    md->isDefaultKey = 1;
                    md->keyMatrix[2] = KeyFunction{0, 0, uchar(i ? 0x05 : 0x04), 0, QString()};
                    md->reportRate = i ? 2 : 8;
                    md->setDpi(0, 1, i ? 1700 : 1600);
                    md->colorValue[0] = i ? 10 : 200;
                }
            }
            w->onWindowSelect(0);
            return pm->activate(QLatin1String(r % 2 ? second : first));
        };
    };
    const auto choose = [](const char *first, const char *second) {
        return [=](MainWindow *w, int r) {
            auto *box = w->findChild<QComboBox *>(QStringLiteral("profileComboBox"));
            if (box)
                box->setCurrentIndex(box->findText(QLatin1String(r % 2 ? first : second)));
        };
    };
    list.push_back({"profile switch", 0, 4, 2, // keys, DPI X and Y levels 0..3, rate, colours, lighting
                    profilePair("bench one", "bench two", false), choose("bench one", "bench two"),
                    [](const vmouse_state &a, const vmouse_state &b) { return a.reportRate != b.reportRate; }});
    list.push_back({"profile switch, lighting only", 0, 1, 0, // lighting
                    profilePair("bench dim", "bench bright", true), choose("bench dim", "bench bright"),
                    [](const vmouse_state &a, const vmouse_state &b) { return a.lightBrightness != b.lightBrightness; }});
    return list;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Drives the window through every change from a polling timer that the timing leaves out.
class Driver : public QObject
{
public:
    Driver(TimedApplication &app, int rounds) : app(app), rounds(rounds), list(changes())
    {
        probe.setInterval(10);
        app.excluded = &probe;
        connect(&probe, &QTimer::timeout, this, &Driver::step);
    }

    MainWindow *window = nullptr;
    std::map<std::string, Result> results;
    bool attached = false;

    void start() { probe.start(); }

private:
    enum class Phase { Attach, Prepare, Quiet, Acting, Done };

    static constexpr double QuietMs = 150;   // longer than any pause inside one change
    static constexpr double TimeoutMs = 5000;

    bool quiet() const
    {
        const double last = TraceAnalysis::lastTrafficMs(traceText());
        return nowMs() - last >= QuietMs;
    }

    void step()
    {
        switch (phase) {
        case Phase::Attach:
            if (window && MouseData::instance()->deviceType == 0 && quiet()) {
                attached = true;
                phase = Phase::Prepare;
            } else if (nowMs() > 15000) {
                finish();
            }
            break;
        case Phase::Prepare: {
            if (index >= list.size()) {
                finish();
                return;
            }
            const Change &c = list[index];
            window->onWindowSelect(c.page);
            if (!c.prepare(window, round)) {
                results[c.name].missing = true;
                next(true);
                return;
            }
            phase = Phase::Quiet;
            break;
        }
        case Phase::Quiet:
            if (quiet()) {
                vmouse_get_state(mouseId, &before);
                phase = Phase::Acting;
                // Delivered to `this`, so it is timed like any other event.
                QTimer::singleShot(0, this, [this] {
                    app.reset();
                    actionMs = nowMs();
                    list[index].act(window, round);
                });
            }
            break;
        case Phase::Acting: {
            if (actionMs < 0)
                break;
            const std::string trace = traceText();
            const double last = TraceAnalysis::lastTrafficMs(trace);
            const bool done = last >= actionMs && nowMs() - last >= QuietMs;
            if (!done && nowMs() - actionMs < TimeoutMs)
                break;
            record(trace);
            next(false);
            break;
        }
        case Phase::Done:
            break;
        }
    }

    void record(const std::string &trace)
    {
        const Change &c = list[index];
        Result &r = results[c.name];
        vmouse_state after{};
        vmouse_get_state(mouseId, &after);
        const auto commands = TraceAnalysis::commands(trace, actionMs);
        if (commands.empty() || !c.arrived(before, after) || TraceAnalysis::errors(trace, actionMs) > 0) {
            ++r.failed;
            std::fprintf(stderr, "bench_changes: %s round %d did not reach the mouse (%zu commands)\n",
                         c.name.c_str(), round, commands.size());
            return;
        }
        r.latency.push_back(TraceAnalysis::latencyMs(commands, actionMs));
        r.floor.push_back(c.plainCommands * TraceAnalysis::CommandWaitMs
                          + c.dataCommands * (TraceAnalysis::CommandWaitMs + TraceAnalysis::DataWaitMs));
        r.commands.push_back(int(commands.size()));
        r.eventMs.push_back(double(app.maxEventNs) / 1e6);
        if (double(app.maxEventNs) / 1e6 >= *std::max_element(r.eventMs.begin(), r.eventMs.end())) {
            r.worstEvent = app.maxEventWhat;
            r.worstEventCpuMs = double(app.maxEventCpuNs) / 1e6;
        }
        std::fprintf(stderr, "bench_changes: %s round %d: %zu commands, first after %.2f ms, last at %.2f ms, floor %.0f ms, longest event %.2f ms (%s)\n",
                     c.name.c_str(), round, commands.size(), commands.front().featureMs - actionMs,
                     r.latency.back(), r.floor.back(), r.eventMs.back(), qPrintable(app.maxEventWhat));
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
            for (const TraceAnalysis::Command &cmd : commands)
                std::fprintf(stderr, "    %8.2f ms  %s  +%d data\n", cmd.featureMs - actionMs,
                             cmd.bytes.c_str(), cmd.dataReports);
        }
    }

    void next(bool skipChange)
    {
        actionMs = -1;
        if (skipChange || ++round >= rounds) {
            round = 0;
            ++index;
        }
        phase = Phase::Prepare;
    }

    void finish()
    {
        phase = Phase::Done;
        probe.stop();
        QCoreApplication::quit();
    }

    TimedApplication &app;
    int rounds;
    std::vector<Change> list;
    QTimer probe;
    Phase phase = Phase::Attach;
    size_t index = 0;
    int round = 0;
    double actionMs = -1;
    vmouse_state before{};
};

void report(const Driver &driver, const std::vector<Change> &list)
{
    for (const Change &c : list) {
        const auto it = driver.results.find(c.name);
        const std::string figure = "change latency: " + c.name;
        if (it == driver.results.end() || it->second.missing) {
            BenchRow::print(figure, "not measured (controls missing)", "-", "-", "<= 1.05x floor", "NO");
            continue;
        }
        const Result &r = it->second;
        if (r.latency.empty()) {
            BenchRow::print(figure, "failed", "-", "-", "<= 1.05x floor", "NO");
            continue;
        }
        const double latency = median(r.latency);
        const double floor = median(r.floor);
        char base[64];
        std::snprintf(base, sizeof base, "%.0f ms floor (%d of %d cmds)", floor, r.commands.front(),
                      c.plainCommands + c.dataCommands);
        const double ratio = latency / floor;
        BenchRow::print(figure + (r.failed ? " (" + std::to_string(r.failed) + " rounds failed)" : ""),
                        BenchRow::number(latency, "ms"), base, BenchRow::fixed(ratio, "x"),
                        "<= 1.05x floor", ratio <= 1.05 && !r.failed ? "yes" : "NO");
        const double event = *std::max_element(r.eventMs.begin(), r.eventMs.end());
        char where[96];
        std::snprintf(where, sizeof where, "%s, %.2f ms CPU", qPrintable(r.worstEvent), r.worstEventCpuMs);
        BenchRow::bound("GUI longest event: " + c.name, event, "ms", where, 16, false);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir dir;
    if (!BenchTree::copyProgramData(dir.path(), "bench_changes"))
        return 1;
    Driver driver(app, rounds);
    Startup::Options options;
    options.dataRoot = dir.path();
    options.instanceKey = QStringLiteral("mousecfg-bench-%1").arg(QCoreApplication::applicationPid());
    options.windowReady = [&](MainWindow *w) {
        driver.window = w;
        // The store the macro binding chooses from (the data root has none).
        MacroData::instance()->macroActions() = {QStringLiteral("1@#A_-1@#30_-2@#A_-0"),
                                                 QStringLiteral("2@#B_-1@#40_-2@#B_-0@#C_-1@#C_-0")};
        MacroData::instance()->setMacroNames({QStringLiteral("one"), QStringLiteral("two")});
        driver.start();
    };

    vmouse_reset();
    traceZero = Clock::now(); // the trace's clock starts at the first plug, just below
    mouseId = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
    if (mouseId < 0)
        return 1;
    const int rc = Startup::run(app, options);
    if (!driver.attached) {
        std::fprintf(stderr, "bench_changes: the window never saw the mouse\n");
        return 1;
    }
    report(driver, changes());
    vmouse_reset();
    return rc;
}
