// Profiles in the window: the chooser over the key, DPI and lighting pages, the tray's Profiles
// submenu with the active profile checked, and every page showing the new profile after a switch.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/mainwindow.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mousefunctionmenu.h"
#include "pages/keys/mousewindow.h"
#include "pages/keys/mouseviewmodel.h"
#include "pages/performance/dpibtn.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "pages/performance/tickslider.h"
#include "profiles/profilemanager.h"
#include "resources/pictures.h"
#include "sim/vmouse.h"

class TestProfilesUi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void chooserAndTraySwitchAndPagesFollow();
    void layoutLevelAndEffectFollowASwitch();

private:
    QTemporaryDir dir;
};

void TestProfilesUi::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(TestRoot::install(dir.path()));
    MacroData::instance()->load();
    TestRoot::loadProfile();
    ProfileManager::instance()->load();
}

void TestProfilesUi::cleanupTestCase()
{
    Controller::shutdown();
    vmouse_reset();
}

void TestProfilesUi::chooserAndTraySwitchAndPagesFollow()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    const QString first = pm->activeName();
    md->reportRate = 8;
    md->lightValue = {1, 4, 2, 0};
    md->isDefaultKey = 1;
    md->keyMatrix[2] = KeyFunction{0, 0, 0x04, 0, md->functionText(0, 0, 0x04, 0)};
    const QString second = pm->create(QStringLiteral("Second"), false);
    QVERIFY(pm->activate(second));
    md->reportRate = 2;
    md->lightValue = {3, 1, 4, 2};
    md->keyMatrix[2] = KeyFunction{0, 0, 0x05, 0, md->functionText(0, 0, 0x05, 0)};
    QVERIFY(pm->activate(first));

    MainWindow::setTrayAvailableForTesting(1);
    MainWindow w;
    auto *box = w.findChild<QComboBox *>(QStringLiteral("profileComboBox"));
    auto *tray = w.trayMenu->findChild<QMenu *>(QStringLiteral("profilesMenu"));
    QVERIFY(box && tray);
    QCOMPARE(w.trayMenu->actions().first()->menu(), tray);
    const auto checkedInTray = [tray] {
        QStringList names;
        for (QAction *a : tray->actions())
            names << (a->isChecked() ? QStringLiteral("*") : QString()) + a->text();
        return names;
    };
    QCOMPARE(checkedInTray(), (QStringList{QStringLiteral("*") + first, second}));

    // The chooser sits over the key, DPI and lighting pages only.
    w.show();
    for (int page : {0, 1, 2, 3, 4, 0}) {
        w.onWindowSelect(page);
        QCOMPARE(box->isVisible(), page <= 2);
    }

    box->setCurrentIndex(1);
    QCOMPARE(pm->activeName(), second);
    QCOMPARE(checkedInTray(), (QStringList{first, QStringLiteral("*") + second}));
    QVERIFY(w.dpiPage->rate500Btn->isChecked());
    QVERIFY(w.lightPage->effectBtns[3]->isChecked());
    QVERIFY(!w.lightPage->effectBtns[1]->isChecked());
    QCOMPARE(w.lightPage->bSlider->value(), 1);
    QCOMPARE(w.mainMenu->model->index(2, 0).data(1).toString(), md->functionText(0, 0, 0x05, 0));

    tray->actions().at(0)->trigger();
    QCOMPARE(pm->activeName(), first);
    QCOMPARE(box->currentIndex(), 0);
    QVERIFY(w.dpiPage->rate125Btn->isChecked());
    QVERIFY(w.lightPage->effectBtns[1]->isChecked());
    QCOMPARE(w.lightPage->bSlider->value(), 4);
    QCOMPARE(w.mainMenu->model->index(2, 0).data(1).toString(), md->functionText(0, 0, 0x04, 0));
    MainWindow::setTrayAvailableForTesting(-1);
}

// The key layout boxes, the function picker, the DPI level and the effect icons show the profile
// switched to, not the one left.
void TestProfilesUi::layoutLevelAndEffectFollowASwitch()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    const QString standard = pm->names().first();
    QVERIFY(pm->activate(standard));
    md->isDefaultKey = 0;
    md->isDefaultDPI = 0;
    md->currentDpiCount = 5;
    md->lightValue = {1, 4, 2, 0};
    md->keyMatrix[3] = KeyFunction{0, 0, 0x04, 0, md->functionText(0, 0, 0x04, 0)};
    const QString c = pm->create(QStringLiteral("C"), false);
    QVERIFY(pm->activate(c));
    md->currentDpiCount = 3;
    md->lightValue = {2, 4, 2, 0};
    QVERIFY(pm->activate(standard));

    MainWindow::setTrayAvailableForTesting(1);
    MainWindow w;
    w.show();
    mouseWindow *keys = w.mousePage;
    MouseFunctionMenu *picker = w.mouseFunctionMenu;
    DPIWindow *dpi = w.dpiPage;
    LightWindow *light = w.lightPage;
    QVERIFY(keys->defaultSettingBtn->isChecked());

    // In C: its own layout, button 4 (index 3) given the middle button.
    QVERIFY(pm->activate(c));
    keys->usrSettingBtn->click();
    md->currentKey = 3;
    emit md->mouseKeyChanged(1, 3);
    picker->listView->setCurrentIndex(picker->model->index(2, 0)); // as a click does
    picker->clickedProc(picker->model->index(2, 0));
    QCOMPARE(md->isDefaultKey, uchar(1));
    QCOMPARE(picker->listView->currentIndex().row(), 2);

    // Standard: the factory layout, level 5 of five.
    QVERIFY(pm->activate(standard));
    QVERIFY(keys->defaultSettingBtn->isChecked());
    QVERIFY(!picker->listView->currentIndex().isValid()); // its button 4 holds a keyboard key
    dpi->selectChangedProc(4);
    QCOMPARE(int(md->currentDpiLevel), 4);

    QVERIFY(pm->activate(c));
    QVERIFY(keys->usrSettingBtn->isChecked());
    QVERIFY(!keys->defaultSettingBtn->isChecked());
    QCOMPARE(picker->listView->currentIndex().row(), 2);
    // Three levels: the last of them, marked, with its value on the slider.
    QCOMPARE(int(md->currentDpiLevel), 2);
    QCOMPARE(dpi->currentLevel, 2);
    QVERIFY(dpi->cards[2]->selected);
    QVERIFY(!dpi->cards[4]->selected);
    QCOMPARE(dpi->xSlider->value(), dpi->cards[2]->xDpi());
    // Breathing to static: the breathing button's icon goes dark with it.
    QVERIFY(light->effectBtns[2]->isChecked());
    QVERIFY(pm->activate(standard));
    QVERIFY(light->effectBtns[1]->isChecked());
    QVERIFY(!light->effectBtns[2]->isChecked());
    const auto image = [](const QIcon &icon) { return icon.pixmap(QSize(64, 64)).toImage(); };
    const QImage dark = image(Pictures::icon(QStringLiteral(":/light/images/light/lightBreath.png")));
    const QImage bright = image(Pictures::icon(QStringLiteral(":/light/images/light/lightBreathS.png")));
    QVERIFY(dark != bright);
    QCOMPARE(image(light->effectBtns[2]->icon()), dark);
    QCOMPARE(image(light->effectBtns[1]->icon()),
             image(Pictures::icon(QStringLiteral(":/light/images/light/lightStaticS.png"))));
    MainWindow::setTrayAvailableForTesting(-1);
}

QTEST_MAIN(TestProfilesUi)
#include "tst_profilesui.moc"
