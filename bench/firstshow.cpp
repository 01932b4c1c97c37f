// What building a menu, picker or page on its first show costs the GUI thread: the time from
// the user's choice until the window is painted with it, the first time (built, polished and
// painted) against the second time (shown and painted only). Offscreen, against the virtual
// mouse (family 0), in a data tree of its own.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "bench/benchrow.h"
#include "bench/benchtree.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/submenuwindow.h"
#include "platform/appfont.h"
#include "platform/darklook.h"
#include "profiles/profilemanager.h"
#include "sim/vmouse.h"

namespace {

// Runs `choose` and paints the window at once, as the next frame would.
double timedShow(MainWindow &window, const std::function<void()> &choose)
{
    QElapsedTimer timer;
    timer.start();
    choose();
    QCoreApplication::sendPostedEvents();
    window.repaint();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!BenchTree::copyProgramData(dir.path(), "bench_firstshow"))
        return 1;
    DataPaths::setRoot(dir.path());
    DarkLook::install(app);
    AppFont::install(app);

    vmouse_reset();
    if (vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32) < 0)
        return 1;
    MacroData::instance()->load();
    MouseData *md = MouseData::instance();
    ProfileManager::instance()->load();
    md->load(md->profileNumber);
    md->screenClass = 0;
    MouseDefaultData::instance()->load();
    md->fillMissingFromDefaults();

    int rc = 0;
    {
        MainWindow window;
        QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
        emit Controller::instance()->check();
        if (!checked.wait(5000) || checked.last().at(0).toInt() != 0) {
            std::fprintf(stderr, "bench_firstshow: the mouse was not found\n");
            rc = 1;
        }
        window.resize(1200, 800);
        window.show();
        QCoreApplication::processEvents();
        window.onWindowSelect(0);
        // A key chosen: the category column is open, no picker yet.
        window.mainMenu->selectedKey = 0;
        window.subMenu->category = 0;
        window.menuContorlProc();
        QCoreApplication::processEvents();

        struct Part
        {
            std::string name;
            std::function<void()> choose;
            std::function<void()> away;
        };
        std::vector<Part> parts;
        const char *pages[] = {"DPI page", "lighting page", "macro page", "sensor page"};
        for (int page = 1; page <= 4; ++page)
            parts.push_back({pages[page - 1], [&window, page] { window.onWindowSelect(page); },
                             [&window] { window.onWindowSelect(0); }});
        const char *pickers[] = {"key combination picker", "mouse function picker", "macro picker",
                                 "program picker",         "media picker",          "shortcut picker",
                                 "DPI picker"};
        for (int category = 1; category <= 7; ++category)
            parts.push_back({pickers[category - 1],
                             [&window, category] {
                                 window.subMenu->category = category;
                                 window.menuContorlProc();
                             },
                             [&window] {
                                 window.subMenu->category = 0;
                                 window.menuContorlProc();
                             }});

        std::vector<double> firsts;
        for (const Part &p : parts) {
            const double first = timedShow(window, p.choose);
            timedShow(window, p.away);
            std::vector<double> again;
            for (int i = 0; i < 5; ++i) {
                again.push_back(timedShow(window, p.choose));
                timedShow(window, p.away);
            }
            std::sort(again.begin(), again.end());
            BenchRow::print("first show: " + p.name, BenchRow::number(first, "ms"),
                            BenchRow::number(again[again.size() / 2], "ms") + " shown again",
                            BenchRow::fixed(first / again[again.size() / 2], "x"), "-", "-");
            firsts.push_back(first);
        }
        const double longest = *std::max_element(firsts.begin(), firsts.end());
        BenchRow::bound("first show: longest of the above", longest, "ms", "-", 100, false);
    }
    Controller::shutdown();
    vmouse_reset();
    return rc;
}
