#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/noticebar.h"
#include "app/updatedialog.h"
#include "apptestroot.h"
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/attachpolicy.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/childmenuwindow.h"
#include "pages/keys/funbtnwindow.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/mousewindow.h"
#include "pages/keys/submenuwindow.h"
#include "pages/macro/macrowindow.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "pages/performance/sensorwindow.h"
#include "platform/devicenotifier.h"
#include "platform/updateprogram.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

// Receives what the window hands to the desktop's URL handler.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void constructionTexts();
    void shownOnlyOnceAMouseIsFound();
    void closeHidesToTray();
    void deviceChangesAreDebounced();
    void trayClick_data();
    void trayClick();
    void trayMenuOpensTheWindow();
    void quitTellsOfUnsavedChanges();
    void dpiBalloonFromEventReport();
    void dpiButtonOnTheMouseReachesTheBalloon();
    void webAddressAndProgramFromEventReports();
    void pageSwitchReadsDpiLevelOnce();
    void columnControl();
    void leftPressClosesAssignmentMenus();
    void updateProgramPerFamily();
    void updateProgramStarts();
    void missingUpdateProgramIsReported();
    void updateDialogDecides();
    void transferFailuresMakeOneNotice();
    void noticeCoversNoControl();
    void failedWriteOnTheMouseShowsNotice();
    void failedOpenRechecksTheMouse();
    void unplugIsToldAsUnplug();
    void refusedOpenToldAtTheCheck();
    void sensorPageText();

private:
    bool attach(int family);
    bool detach();

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;
    int mouseId = -1;
};

bool TestMainWindow::attach(int family)
{
    return replugAndCheck(family, &mouseId);
}

bool TestMainWindow::detach() { return attach(-1); }

void TestMainWindow::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(TestRoot::install(dir.path()));
    TestRoot::loadProfile();
}

void TestMainWindow::init()
{
    MainWindow::setTrayAvailableForTesting(1);
    QVERIFY(detach());
    w = std::make_unique<MainWindow>();
}

void TestMainWindow::cleanup()
{
    // What an attach sent is through before the next case unplugs the mouse: its failures
    // would start device checks there. A case that left the mouse refusing gets no answer.
    if (Controller::instance()->currentIc())
        mouseDrained();
    w.reset();
    MainWindow::setTrayAvailableForTesting(-1);
}

void TestMainWindow::cleanupTestCase()
{
    vmouse_reset();
    Controller::shutdown();
}

void TestMainWindow::constructionTexts()
{
    MouseData *md = MouseData::instance();
    QCOMPARE(MainWindow::instance(), w.get());
    QCOMPARE(w->windowTitle(), QStringLiteral("Gaming Mouse"));
    QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    const QList<QAction *> actions = w->settingMenu->actions();
    // Then a separator, "start at login", "keep what the mouse holds" and the language menu.
    QCOMPARE(actions.size(), 7);
    QCOMPARE(actions[4], w->autostartAction);
    QCOMPARE(actions[5], w->keepMouseAction);
    QCOMPARE(actions[5]->text(), md->languageText(233));
    QVERIFY(actions[5]->isCheckable() && !actions[5]->isChecked());
    QCOMPARE(actions[6]->menu(), w->languageMenu);
    // The choice holds at once and at the next start.
    w->keepMouseAction->setChecked(true);
    QVERIFY(!Controller::instance()->sendOnAttach());
    QVERIFY(AttachPolicy::keepMouseSettings());
    w->keepMouseAction->setChecked(false);
    QVERIFY(Controller::instance()->sendOnAttach());
    QVERIFY(!AttachPolicy::keepMouseSettings());
    QCOMPARE(actions[0]->text(), md->languageText(100));
    QCOMPARE(actions[1]->text(), md->languageText(98));
    // The number --version prints.
    QCOMPARE(actions[2]->text(), md->languageText(99) + CommandLine::versionText().section(QLatin1Char(' '), 1));
    QVERIFY(!md->languageText(98).isEmpty());
    QCOMPARE(w->trayMenu->actions().size(), 4);   // Profiles submenu, separator, Open, Quit
    QCOMPARE(w->trayMenu->actions()[2]->text(), md->languageText(224));
    QCOMPARE(w->trayMenu->actions()[3]->text(), md->languageText(225));
    QCOMPARE(w->deviceCheckTimer.interval(), 3072);
    QVERIFY(w->deviceCheckTimer.isSingleShot());
}

void TestMainWindow::shownOnlyOnceAMouseIsFound()
{
    QVERIFY(!w->isVisible());
    QVERIFY(detach());
    QCoreApplication::processEvents();
    QVERIFY(!w->isVisible());

    QVERIFY(attach(3));
    QTRY_VERIFY(w->isVisible());
    QVERIFY(!w->funBtn->lightBtn->isHidden());
    QCOMPARE(MouseData::instance()->dpiReadPending, uchar(1));

    // The family without lighting hides the lighting page's button.
    QVERIFY(attach(2));
    QTRY_VERIFY(w->funBtn->lightBtn->isHidden());
    QVERIFY(attach(5));
    QTRY_VERIFY(!w->funBtn->lightBtn->isHidden());
}

void TestMainWindow::closeHidesToTray()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    QTest::mouseClick(w->closeBtn, Qt::LeftButton);
    QTRY_VERIFY(!w->isVisible());
    QVERIFY(MainWindow::instance());

    // Unplugged and plugged again: the next check brings the window back.
    QVERIFY(detach());
    QCoreApplication::processEvents();
    QVERIFY(!w->isVisible());
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
}

void TestMainWindow::deviceChangesAreDebounced()
{
    QSignalSpy checks(Controller::instance(), &Controller::check);
    // Production delay: every notification restarts it from the full interval.
    w->deviceNotifier->notify();
    QVERIFY(w->deviceCheckTimer.isActive());
    QVERIFY(w->deviceCheckTimer.remainingTime() > 3000);
    w->deviceCheckTimer.stop();

    // Scaled down: three notifications apart by a third of the delay give one check, a full
    // delay after the last one.
    const int delay = 300;
    w->deviceCheckTimer.setInterval(delay);
    QElapsedTimer sinceLast;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            QTest::qWait(delay / 3);
        w->deviceNotifier->notify();
        sinceLast.start();
    }
    QCOMPARE(checks.count(), 0);
    QTRY_COMPARE(checks.count(), 1);
    QVERIFY2(sinceLast.elapsed() >= delay, qPrintable(QString::number(sinceLast.elapsed())));
    QTest::qWait(delay);
    QCOMPARE(checks.count(), 1);
}

void TestMainWindow::trayClick_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("checks");
    QTest::addColumn<bool>("shown");
    // The window comes up in every state; without a mouse a check runs too.
    QTest::newRow("hidden, no mouse, click") << -1 << false << int(QSystemTrayIcon::Trigger) << 1 << true;
    QTest::newRow("hidden, no mouse, double click")
        << -1 << false << int(QSystemTrayIcon::DoubleClick) << 1 << true;
    QTest::newRow("visible, no mouse") << -1 << true << int(QSystemTrayIcon::Trigger) << 1 << true;
    QTest::newRow("hidden, mouse attached") << 1 << false << int(QSystemTrayIcon::Trigger) << 0 << true;
    QTest::newRow("hidden, mouse attached, double click")
        << 1 << false << int(QSystemTrayIcon::DoubleClick) << 0 << true;
    QTest::newRow("hidden, mouse attached, context menu")
        << 1 << false << int(QSystemTrayIcon::Context) << 0 << false;
}

void TestMainWindow::trayClick()
{
    QFETCH(int, family);
    QFETCH(bool, visible);
    QFETCH(int, reason);
    QFETCH(int, checks);
    QFETCH(bool, shown);
    QVERIFY(attach(family));
    QCoreApplication::processEvents();
    w->setVisible(visible);
    QSignalSpy spy(Controller::instance(), &Controller::check);
    w->onTrayIconActivated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(spy.count(), checks);
    QCOMPARE(w->isVisible(), shown);
    w->hide();
}

// A quit that would lose changes the folder refused says so, once, and quits when told to.
void TestMainWindow::quitTellsOfUnsavedChanges()
{
    MouseData *md = MouseData::instance();
    const QString profile = DataPaths::profileFile(md->profileNumber);
    const QString kept = profile + QStringLiteral(".kept");
    QFile::remove(kept);
    QVERIFY(!QFile::exists(profile) || QFile::rename(profile, kept));
    QVERIFY(QDir().mkpath(profile)); // a directory where the file should go: no write succeeds
    w->show();
    const QString before = md->runHttps;
    md->runHttps = QStringLiteral("https://unsaved.example");
    QAction *quit = w->findChild<QAction *>(QStringLiteral("quitAction"));
    quit->trigger();
    auto *box = w->findChild<QMessageBox *>(QStringLiteral("unsavedQuestion"));
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QVERIFY(box->text().contains(profile));
    QVERIFY(w->isVisible()); // not quitting yet
    quit->trigger(); // the same question, not a second one
    QCOMPARE(w->findChildren<QMessageBox *>(QStringLiteral("unsavedQuestion")).size(), 1);

    // Cancel keeps the program; asked again at the next quit, and "Quit anyway" quits.
    box->button(QMessageBox::Cancel)->click();
    QTRY_VERIFY(!w->findChild<QMessageBox *>(QStringLiteral("unsavedQuestion")));
    QVERIFY(w->isVisible());
    quit->trigger();
    box = w->findChild<QMessageBox *>(QStringLiteral("unsavedQuestion"));
    QVERIFY(box);
    QAbstractButton *anyway = nullptr;
    for (QAbstractButton *b : box->buttons())
        if (box->buttonRole(b) == QMessageBox::DestructiveRole)
            anyway = b;
    QVERIFY(anyway);
    QCOMPARE(anyway->text(), md->languageText(227));
    anyway->click();
    QTRY_VERIFY(!w->isVisible());

    md->runHttps = before;
    QVERIFY(QDir(profile).removeRecursively());
    if (QFile::exists(kept))
        QVERIFY(QFile::rename(kept, profile));
}

// The tray menu's first entry opens the window, with or without a mouse.
void TestMainWindow::trayMenuOpensTheWindow()
{
    QVERIFY(attach(-1));
    w->hide();
    w->findChild<QAction *>(QStringLiteral("openAction"))->trigger();
    QVERIFY(w->isVisible());
    QVERIFY(w->noMouseNotice->isVisible());
    w->hide();
}

void TestMainWindow::dpiBalloonFromEventReport()
{
    MouseData *md = MouseData::instance();
    const QVariantList savedList = md->xDpiList;
    const uchar savedDefault = md->isDefaultDPI;
    md->xDpiList = {400, 800, 1600};
    md->isDefaultDPI = 0;
    QSignalSpy balloons(w.get(), &MainWindow::trayMessage);
    QSignalSpy levels(md, &MouseData::dpiKeyPressed);

    w->handleEventReport(4, 1, 0, 2);
    QCOMPARE(balloons.count(), 1);
    QCOMPARE(balloons.at(0).at(0).toString(), QStringLiteral("DPI"));
    QCOMPARE(balloons.at(0).at(1).toString(), QStringLiteral("1600"));
    QCOMPARE(levels.count(), 1);
    QCOMPARE(levels.at(0).at(0).toInt(), 2);

    // Past the end of the list: nothing to show, nothing to crash on.
    w->handleEventReport(4, 1, 0, 3);
    w->handleEventReport(4, 1, 0, 255);
    QCOMPARE(balloons.count(), 1);
    QCOMPARE(levels.count(), 1);

    // Reports of another kind are not DPI changes.
    w->handleEventReport(3, 1, 0, 1);
    w->handleEventReport(4, 0, 0, 1);
    QCOMPARE(balloons.count(), 1);

    // While the factory DPI set is in use, its list names the level.
    md->isDefaultDPI = 1;
    QVariantList &factory = MouseDefaultData::instance()->xDpiList;
    const QVariantList savedFactory = factory;
    factory = {1000, 2000};
    w->handleEventReport(4, 1, 0, 1);
    QCOMPARE(balloons.count(), 2);
    QCOMPARE(balloons.at(1).at(1).toString(), QStringLiteral("2000"));

    factory = savedFactory;
    md->xDpiList = savedList;
    md->isDefaultDPI = savedDefault;
}

void TestMainWindow::dpiButtonOnTheMouseReachesTheBalloon()
{
    QVERIFY(attach(0));
    MouseData *md = MouseData::instance();
    md->isDefaultDPI = 0;
    md->xDpiList = {400, 800, 1600, 3200, 6400, 0, 0, 0};
    QSignalSpy balloons(w.get(), &MainWindow::trayMessage);
    // The event thread starts after the check; give it a moment to open the event interface.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            vmouse_press_dpi_button(mouseId, 3);
            return balloons.wait(300);
        }(),
        5000);
    QCOMPARE(balloons.last().at(1).toString(), QStringLiteral("3200"));
}

void TestMainWindow::webAddressAndProgramFromEventReports()
{
    MouseData *md = MouseData::instance();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    md->runHttps = QStringLiteral("example.com/page");
    w->handleEventReport(4, 1, 1, 1);
    md->runHttps = QStringLiteral("https://example.org");
    w->handleEventReport(4, 1, 1, 1);
    // Second byte other than 1: not a press of the web button.
    w->handleEventReport(4, 1, 1, 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls[0], QUrl(QStringLiteral("http://example.com/page")));
    QCOMPARE(catcher.urls[1], QUrl(QStringLiteral("https://example.org")));

    const QString marker = dir.filePath(QStringLiteral("launched.txt"));
    const QString program = dir.filePath(QStringLiteral("bin/launch me.sh"));
    QVERIFY(AppTestRoot::writeRecorder(program, marker));
    md->runProgram = program;
    QSignalSpy runs(w.get(), &MainWindow::runSignal);
    w->handleEventReport(4, 1, 2, 1);
    QCOMPARE(runs.count(), 1);
    auto contents = [&marker]() {
        QFile f(marker);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QTRY_COMPARE(contents(), QByteArray("started --kiosk\n"));
    md->runProgram.clear();
    md->runHttps.clear();
}

void TestMainWindow::pageSwitchReadsDpiLevelOnce()
{
    MouseData *md = MouseData::instance();
    w->onWindowSelect(4);
    QCOMPARE(w->currentPage, 4);
    QVERIFY(!w->sensorPage->isHidden());
    QVERIFY(w->mousePage->isHidden());
    QVERIFY(w->mainMenu->isHidden());
    QVERIFY(w->funBtn->sensorBtn->isChecked());

    // No chip protocol: the read stays pending.
    md->dpiReadPending = 1;
    w->onWindowSelect(1);
    QCOMPARE(md->dpiReadPending, uchar(1));
    QVERIFY(w->funBtn->dpiBtn->isChecked());
    QVERIFY(!w->dpiPage->isHidden());
    QVERIFY(w->sensorPage->isHidden());
    w->onWindowSelect(2);
    QVERIFY(!w->lightPage->isHidden());
    QVERIFY(w->dpiPage->isHidden());
    w->onWindowSelect(3);
    QVERIFY(!w->macroPage->isHidden());
    QVERIFY(w->funBtn->macroBtn->isChecked());

    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    QCOMPARE(md->dpiReadPending, uchar(1));
    w->onWindowSelect(1);
    QCOMPARE(md->dpiReadPending, uchar(0));
    w->onWindowSelect(1);
    QCOMPARE(md->dpiReadPending, uchar(0));

    w->onWindowSelect(0);
    QVERIFY(!w->mainMenu->isHidden());
    QVERIFY(!w->mousePage->isHidden());
    QVERIFY(w->funBtn->keyBtn->isChecked());
    // Out of range: nothing changes.
    w->onWindowSelect(7);
    QCOMPARE(w->currentPage, 0);
}

void TestMainWindow::columnControl()
{
    w->onWindowSelect(0);
    w->mainMenu->selectedKey = -1;
    w->subMenu->category = 2;
    w->menuContorlProc();
    QVERIFY(w->subMenu->isHidden());

    w->mainMenu->selectedKey = 1;
    const QList<QWidget *> pickers = w->pickers();
    QCOMPARE(pickers.size(), 7);
    for (int category = 0; category <= 8; ++category) {
        w->subMenu->category = category;
        w->menuContorlProc();
        QVERIFY(!w->subMenu->isHidden());
        for (int i = 0; i < pickers.size(); ++i)
            QCOMPARE(!pickers[i]->isHidden(), i + 1 == category);
    }
    w->subMenu->category = 5;
    w->menuContorlProc();
    QVERIFY(!w->childMenu->isHidden());

    // Another page hides every column; coming back restores them by the same rule.
    w->onWindowSelect(3);
    QVERIFY(w->subMenu->isHidden());
    QVERIFY(w->childMenu->isHidden());
    w->onWindowSelect(0);
    QVERIFY(!w->subMenu->isHidden());
    QVERIFY(!w->childMenu->isHidden());
}

void TestMainWindow::leftPressClosesAssignmentMenus()
{
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->onWindowSelect(0);
    w->mainMenu->selectedKey = 0;
    w->subMenu->category = 2;
    w->menuContorlProc();
    QWidget *picker = w->pickers().at(1);
    QVERIFY(!picker->isHidden());

    const QPoint inPicker = picker->mapTo(w.get(), QPoint(picker->width() / 2, 300));
    QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inPicker);
    QTest::mouseRelease(w.get(), Qt::LeftButton, Qt::NoModifier, inPicker);
    QVERIFY(!picker->isHidden());
    const QPoint inSubMenu = w->subMenu->mapTo(w.get(), QPoint(10, 300));
    QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inSubMenu);
    QTest::mouseRelease(w.get(), Qt::LeftButton, Qt::NoModifier, inSubMenu);
    QVERIFY(!w->subMenu->isHidden());

    // A right press does not count; a left press at the captions does.
    const QPoint caption(inPicker.x(), 60);
    QTest::mousePress(w.get(), Qt::RightButton, Qt::NoModifier, caption);
    QTest::mouseRelease(w.get(), Qt::RightButton, Qt::NoModifier, caption);
    QVERIFY(!picker->isHidden());
    QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, caption);
    QTest::mouseRelease(w.get(), Qt::LeftButton, Qt::NoModifier, caption);
    QVERIFY(picker->isHidden());
    QVERIFY(w->subMenu->isHidden());
    QVERIFY(!w->mainMenu->isHidden());

    // On the mouse picture, right of every column.
    w->menuContorlProc();
    QVERIFY(!picker->isHidden());
    const QPoint onPage = w->mousePage->mapTo(w.get(), QPoint(w->mousePage->width() - 20, 300));
    QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, onPage);
    QTest::mouseRelease(w.get(), Qt::LeftButton, Qt::NoModifier, onPage);
    QVERIFY(picker->isHidden());
}

void TestMainWindow::updateProgramPerFamily()
{
    const QString dirPrefix = DataPaths::updateDir() + QLatin1Char('/');
    QCOMPARE(MainWindow::updateProgramFor(2),
             dirPrefix + QStringLiteral("KV410_HT32F52341_48LQFP_3389_WithoutRGB_V105_aa0bh.exe"));
    QCOMPARE(MainWindow::updateProgramFor(0),
             dirPrefix + QStringLiteral("KV410_HT32F52341_48LQFP_3336_V117_444cH.exe"));
    QCOMPARE(MainWindow::updateProgramFor(6),
             dirPrefix + QStringLiteral("KV470_HT32F52341_48LQFP_3337_V109_DB30H.exe"));
    QSet<QString> distinct;
    for (int family = 0; family <= 6; ++family)
        distinct.insert(MainWindow::updateProgramFor(family));
    QCOMPARE(distinct.size(), 7);
    QVERIFY(MainWindow::updateProgramFor(7).isEmpty());
    QVERIFY(MainWindow::updateProgramFor(255).isEmpty());
    QVERIFY(MainWindow::updateProgramFor(-1).isEmpty());
}

void TestMainWindow::updateProgramStarts()
{
    const QString marker = dir.filePath(QStringLiteral("updated.txt"));
    QFile::remove(marker);
    for (int family = 0; family <= 6; ++family)
        QVERIFY(AppTestRoot::writeRecorder(MainWindow::updateProgramFor(family),
                                           marker + QString::number(family)));
    QVERIFY(attach(4));
    QVERIFY(w->startUpdateProgram());
    QTRY_VERIFY(QFile::exists(marker + QStringLiteral("4")));
    QVERIFY(!w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox")));
    for (int family = 0; family <= 6; ++family)
        QCOMPARE(QFile::exists(marker + QString::number(family)), family == 4);

    // No mouse: nothing starts and there is nothing to report.
    QFile::remove(marker + QStringLiteral("4"));
    QVERIFY(detach());
    QVERIFY(!w->startUpdateProgram());
    QTest::qWait(200);
    for (int family = 0; family <= 6; ++family)
        QVERIFY(!QFile::exists(marker + QString::number(family)));
    QVERIFY(!w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox")));
    QDir(DataPaths::updateDir()).removeRecursively();
}

void TestMainWindow::missingUpdateProgramIsReported()
{
    QDir(DataPaths::updateDir()).removeRecursively();
    QVERIFY(attach(1));
    QVERIFY(!w->startUpdateProgram());
    auto *box = w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox"));
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY(box->text().contains(QStringLiteral("KV410_HT32F52341_48LQFP_3389_V201_62eeh.exe")));
    // Named as the Windows program it is: on other systems it could not run even if present.
#ifdef Q_OS_WIN
    QVERIFY(box->text().startsWith(MouseData::instance()->languageText(116)));
#else
    QVERIFY(box->text().startsWith(MouseData::instance()->languageText(157)));
    // The path is absolute: the working directory means nothing to the user.
    QVERIFY(box->text().contains(QDir(DataPaths::updateDir()).absolutePath()));
    // The menu entry says so before the user asks for the dialog.
    QAction *update = w->findChild<QAction *>(QStringLiteral("updateAction"));
    emit w->settingMenu->aboutToShow();
    QCOMPARE(update->text(), MouseData::instance()->languageText(157));
    // Still reachable by the arrow keys; choosing it tells why, without the dialog.
    QVERIFY(update->isEnabled());
    box->close();
    QTRY_VERIFY(!w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox")));
    update->trigger();
    box = w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox"));
    QVERIFY(box && box->isVisible());
    QVERIFY(!w->findChild<UpdateDialog *>());
    // A Windows executable that is there is no more runnable here.
    QVERIFY(QDir().mkpath(DataPaths::updateDir()));
    {
        QFile pe(DataPaths::updateDir() + QStringLiteral("/setup"));
        QVERIFY(pe.open(QIODevice::WriteOnly));
        pe.write("MZ\x90\x00");
        pe.close();
        pe.setPermissions(pe.permissions() | QFileDevice::ExeOwner);
        QCOMPARE(UpdateProgram::check(pe.fileName()), UpdateProgram::Verdict::WindowsProgram);
    }
#endif
    box->close();
    QTRY_VERIFY(!w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox")));

    // Present but not executable: the start fails and says so as well.
    QVERIFY(QDir().mkpath(DataPaths::updateDir()));
    QFile plain(MainWindow::updateProgramFor(1));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("not a program");
    plain.close();
    QVERIFY(!w->startUpdateProgram());
    QVERIFY(w->findChild<QMessageBox *>(QStringLiteral("updateFailedBox")));
    QDir(DataPaths::updateDir()).removeRecursively();
}

void TestMainWindow::updateDialogDecides()
{
    const QString marker = dir.filePath(QStringLiteral("dialog.txt"));
    QVERIFY(AppTestRoot::writeRecorder(MainWindow::updateProgramFor(0), marker));
    QVERIFY(attach(0));
    MouseData *md = MouseData::instance();

    QStringList seen;
    auto answer = [&seen](bool accept) {
        QTimer::singleShot(0, [&seen, accept]() {
            auto *dialog = qobject_cast<UpdateDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = QStringList{dialog->title->text(), dialog->firstTxt->text(),
                               dialog->thirdTxt->text()};
            accept ? dialog->accept() : dialog->reject();
        });
    };
    answer(false);
    w->updateActionProc(false);
    QCOMPARE(seen, QStringList({md->languageText(109), md->languageText(110), md->languageText(112)}));
    QTest::qWait(200);
    QVERIFY(!QFile::exists(marker));

    answer(true);
    w->updateActionProc(false);
    QTRY_VERIFY(QFile::exists(marker));
    QVERIFY(!md->languageText(113).isEmpty());
    QDir(DataPaths::updateDir()).removeRecursively();
}

// On the DPI page the report-rate boxes and the system settings button sit at the bottom, where
// a notice shows: it takes a row of its own.
void TestMainWindow::noticeCoversNoControl()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->onWindowSelect(1);
    DPIWindow *page = w->dpiPage;
    QTRY_VERIFY(page->isVisible());
    w->noticeBar->showNotice(MouseData::instance()->languageText(223));
    QTRY_VERIFY(w->noticeBar->isVisible());
    QCoreApplication::processEvents();
    const QRect bar(w->noticeBar->mapTo(w.get(), QPoint()), w->noticeBar->size());
    QVERIFY(bar.height() > 0);
    QList<QWidget *> controls;
    controls << page->rate1000Btn << page->rate500Btn << page->rate250Btn << page->rate125Btn << page->systemBtn;
    for (QWidget *c : controls) {
        QVERIFY(c->isVisible());
        const QRect r(c->mapTo(w.get(), QPoint()), c->size());
        QVERIFY2(!bar.intersects(r), qPrintable(c->objectName()));
        // And the control is inside the window, not pushed out of it.
        QVERIFY2(w->rect().contains(r), qPrintable(c->objectName()));
    }
    w->noticeBar->hide();
}

void TestMainWindow::transferFailuresMakeOneNotice()
{
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QSignalSpy notices(w->noticeBar, &NoticeBar::shown);
    QSignalSpy balloons(w.get(), &MainWindow::trayMessage);
    Controller *c = Controller::instance();
    for (int i = 0; i < 4; ++i)
        emit c->transferFailed(QStringLiteral("7_%1").arg(i));
    // Told once the device check the failure started has answered.
    QTRY_COMPARE(notices.count(), 1);
    QCOMPARE(notices.at(0).at(0).toString(), MouseData::instance()->languageText(115));
    QVERIFY(w->noticeBar->isVisible());
    QCOMPARE(balloons.count(), 0);

    // Once the burst is over, a new failure is a new change.
    w->failureQuietTimer.setInterval(50);
    w->failureQuietTimer.start();
    QTRY_VERIFY(!w->failureQuietTimer.isActive());
    emit c->transferFailed(QStringLiteral("7_9"));
    QTRY_COMPARE(notices.count(), 2);

    // Hidden to the tray, the notice is a balloon.
    QTRY_VERIFY(!w->failureQuietTimer.isActive());
    w->hide();
    emit c->transferFailed(QStringLiteral("7_10"));
    QTRY_COMPARE(balloons.count(), 1);
    QCOMPARE(notices.count(), 2);
    QCOMPARE(balloons.at(0).at(1).toString(), MouseData::instance()->languageText(115));
}

void TestMainWindow::failedWriteOnTheMouseShowsNotice()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QSignalSpy notices(w->noticeBar, &NoticeBar::shown);
    vmouse_fail_next("feature", 100);
    MouseData::instance()->sendLighting();
    QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 1, 5000);
    QTest::qWait(300);
    QCOMPARE(notices.count(), 1);
}

// A change made just after an unplug, before any device notice: the check it starts finds no
// mouse, and the window says so; nothing about permissions.
void TestMainWindow::unplugIsToldAsUnplug()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    w->deviceCheckTimer.stop();
    QSignalSpy refused(Controller::instance(), &Controller::openRefused);
    QSignalSpy notices(w->noticeBar, &NoticeBar::shown);
    vmouse_unplug(mouseId);
    MouseData::instance()->sendLighting();
    QTRY_COMPARE_WITH_TIMEOUT(int(MouseData::instance()->deviceType), 255, 5000);
    QTRY_VERIFY(w->noMouseNotice->isVisible());
    QCOMPARE(w->noMouseNotice->text(), MouseData::instance()->languageText(155));
    QCOMPARE(refused.count(), 0);
    QTRY_COMPARE(notices.count(), 1);
    QVERIFY(!notices.last().at(0).toString().contains(QStringLiteral("udev")));
}

// A mouse whose interface refuses to open: the check says so at once, before any change, and
// the pages under the notice keep no keyboard focus (nor its ring over the notice).
void TestMainWindow::refusedOpenToldAtTheCheck()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QVERIFY(!w->noMouseNotice->isVisible());
    QWidget *key = nullptr;
    for (QWidget *c : w->mousePage->findChildren<QWidget *>())
        if (!key && c->isVisible() && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus))
            key = c;
    QVERIFY(key);
    key->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), key);
    // Plugged in again, and now its node is not this user's.
    vmouse_fail_next("open", 1000);
    QVERIFY(checkFindsFamily(0));
    QTRY_VERIFY(w->noMouseNotice->isVisible());
    // The tests run beside their files, as the portable program does: the tool's own command.
    QCOMPARE(w->noMouseNotice->text(), MouseData::instance()->languageText(223));
    QVERIFY(w->noMouseNotice->text().contains(QStringLiteral("mousecfg-cli udev-rule")));
    QVERIFY(QApplication::focusWidget() != key);
    // The rule is installed: the next check opens it, and the advice goes.
    vmouse_fail_next("open", 0);
    QVERIFY(checkFindsFamily(0));
    QTRY_VERIFY(!w->noMouseNotice->isVisible());
}

void TestMainWindow::failedOpenRechecksTheMouse()
{
    QVERIFY(attach(0));
    QTRY_VERIFY(w->isVisible());
    w->deviceCheckTimer.stop();
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    QSignalSpy refused(Controller::instance(), &Controller::openRefused);
    QSignalSpy notices(w->noticeBar, &NoticeBar::shown);
    // A failed open forgets the mouse's path: without a new check every later change would
    // fail. The check runs at once, not after the debounce of device changes.
    vmouse_fail_next("open", 1);
    MouseData::instance()->sendLighting();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() >= 1, 5000);
    QVERIFY(!w->deviceCheckTimer.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(checked.count() >= 1, 5000);
    QCOMPARE(checked.last().at(0).toInt(), 0);
    // The mouse opened at the check: no advice about the rule, the failure is told.
    QCOMPARE(refused.count(), 0);
    QVERIFY(!w->noMouseNotice->isVisible());
    QTRY_COMPARE(notices.count(), 1);
    const int failures = failed.count();
    Ic *ic = Controller::instance()->currentIc();
    QVERIFY(ic);
    ic->setReportRate(QStringLiteral("2"));
    QTRY_VERIFY_WITH_TIMEOUT([this] {
        vmouse_state st{};
        return vmouse_get_state(mouseId, &st) == 0 && st.reportRate == 2;
    }(), 5000);
    QCOMPARE(failed.count(), failures);
}

void TestMainWindow::sensorPageText()
{
    SensorWindow *page = w->sensorPage;
    const QString text = MouseData::instance()->languageText(102);
    QVERIFY(!text.isEmpty());
    QCOMPARE(page->xx->text(), text);
    QCOMPARE(page->minimumSize(), QSize(1108, 300));
    QCOMPARE(page->maximumHeight(), 300);
    QVERIFY(attach(6));
    QCoreApplication::processEvents();
    QCOMPARE(page->xx->text(), text);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
