// Renders the main window with each of its pages to PNG files, offscreen, against the virtual
// mouse (linked in: a family-0 mouse is plugged when the program loads, unless VMOUSE_DEVICES
// says otherwise). Usage: mousecfg-screenshots [output directory]
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "app/mainwindow.h"
#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewmodel.h"
#include "pages/keys/submenuwindow.h"
#include "platform/appfont.h"
#include "profiles/profilemanager.h"
#include "profiles/ui/profilerulesdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

void settle(int ms = 150)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool shoot(MainWindow &window, const QString &dir, const QString &name)
{
    settle();
    const QString path = dir + QLatin1Char('/') + name;
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."))
                            .absolutePath();
    QDir().mkpath(out);
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    AppFont::install(app);
    Controller *controller = Controller::instance();
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
        QEventLoop loop;
        QObject::connect(controller, &Controller::deviceChecked, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        emit controller->check();
        loop.exec();
        if (!window.isVisible()) {
            std::fprintf(stderr, "no mouse found; rendering without one\n");
            window.show();
        }
        window.resize(1200, 800);

        window.onWindowSelect(0);
        rc |= !shoot(window, out, QStringLiteral("main.png"));

        // The key page with a key chosen and the mouse-button picker open.
        window.mainMenu->clickedProc(window.mainMenu->model->index(1, 0));
        window.subMenu->clickedProc(window.subMenu->model->index(2, 0));
        rc |= !shoot(window, out, QStringLiteral("main-menus.png"));

        window.onWindowSelect(1);
        rc |= !shoot(window, out, QStringLiteral("main-dpi.png"));
        window.onWindowSelect(2);
        rc |= !shoot(window, out, QStringLiteral("main-light.png"));
        window.onWindowSelect(3);
        rc |= !shoot(window, out, QStringLiteral("main-macro.png"));
        window.onWindowSelect(4);
        rc |= !shoot(window, out, QStringLiteral("sensor.png"));

        // The profile chooser in the title bar, and the rules dialog with two example rules
        // (shown only: nothing is saved).
        window.onWindowSelect(0);
        settle();
        const QString chooser = out + QStringLiteral("/profiles-chooser.png");
        const bool chooserOk = window.grab(QRect(0, 0, window.width(), window.titleFrame->height())).save(chooser);
        std::printf("%s %s\n", chooserOk ? "wrote" : "FAILED", qPrintable(chooser));
        rc |= !chooserOk;
        ProfileRulesDialog rules(true, &window);
        const QString profile = ProfileManager::instance()->activeName();
        const QSignalBlocker quiet(rules.ruleTable);   // edits would be saved as rules
        for (const QString &program : {QStringLiteral("/usr/bin/game"), QStringLiteral("editor")}) {
            const int row = rules.ruleTable->rowCount();
            rules.ruleTable->insertRow(row);
            rules.ruleTable->setItem(row, 0, new QTableWidgetItem(program));
            rules.ruleTable->setItem(row, 1, new QTableWidgetItem(profile));
        }
        rules.stateTxt->setText(md->languageText(207));
        rules.show();
        settle();
        const QString rulesPath = out + QStringLiteral("/profiles-rules.png");
        const bool rulesOk = rules.grab().save(rulesPath);
        std::printf("%s %s\n", rulesOk ? "wrote" : "FAILED", qPrintable(rulesPath));
        rc |= !rulesOk;
    }
    Controller::shutdown();
    return rc;
}
