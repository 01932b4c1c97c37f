// Profiles in the window: the chooser over the key, DPI and lighting pages, the tray's Profiles
// submenu with the active profile checked, and every page showing the new profile after a switch;
// what the chooser's menu asks and answers (deleting, names, files), and where its dialogs start.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
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
#include "platform/filedialogs.h"
#include "profiles/profileindex.h"
#include "profiles/profilemanager.h"
#include "profiles/ui/profilebar.h"
#include "resources/pictures.h"
#include "sim/vmouse.h"

namespace {
// The chooser with its dialogs answered by the test.
class AnsweredBar : public ProfileBar
{
public:
    QStringList names;          // what the name dialog answers, in turn; cancelled when none is left
    bool yes = true;
    QString saveFile;
    QStringList questions;
    QStringList told;

    void trigger(const char *action)
    {
        for (QAction *a : profileMenu->actions()) {
            if (a->objectName() == QLatin1String(action))
                a->trigger();
        }
    }

protected:
    bool askName(const QString &, const QString &, QString *name) override
    {
        if (names.isEmpty())
            return false;
        *name = names.takeFirst();
        return true;
    }
    QString askSaveFile(const QString &) override { return saveFile; }
    QString askOpenFile() override { return QString(); }
    bool confirm(const QString &question) override
    {
        questions << question;
        return yes;
    }
    void tell(const QString &message) override { told << message; }

public:
    QStringList announced;

protected:
    void announce(const QString &text) override { announced << text; }
};
} // namespace

class TestProfilesUi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void chooserAndTraySwitchAndPagesFollow();
    void deleteAsksFirstAndNamesTheRules();
    void namesFollowOneRuleInTheWindow();
    void fileDialogsStartInAFolderThatExists();
    void repairedListIsToldWhenTheChooserIsSeen();
    void layoutLevelAndEffectFollowASwitch();
    void everyChangeIsConfirmedAloud();

private:
    QTemporaryDir dir;
    QTemporaryDir home;
};

void TestProfilesUi::initTestCase()
{
    // The dialogs' folders come from a home of the test's own.
    QVERIFY(home.isValid());
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
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

void TestProfilesUi::deleteAsksFirstAndNamesTheRules()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    QString error;
    const QString kept = pm->activeName();
    const QString neighbour = pm->names().last();
    const QString gone = pm->create(QStringLiteral("Gone"), true, &error);
    QVERIFY2(!gone.isEmpty(), qPrintable(error));
    const int file = pm->index().profiles.last().file;
    QVERIFY(pm->setRules({{QStringLiteral("/usr/bin/game"), file}, {QStringLiteral("editor"), pm->index().active}}, file, &error));
    QVERIFY(pm->activate(gone, &error));

    AnsweredBar bar;
    bar.yes = false;
    bar.trigger("deleteProfileAction");
    QCOMPARE(bar.questions.size(), 1);
    const QString question = bar.questions.first();
    QVERIFY2(question.contains(gone) && question.contains(QStringLiteral("/usr/bin/game")), qPrintable(question));
    QVERIFY(!question.contains(QStringLiteral("editor")));
    QVERIFY(question.contains(md->languageText(220)));
    QVERIFY(pm->names().contains(gone));
    QCOMPARE(pm->index().rules.size(), 2);

    bar.yes = true;
    bar.trigger("deleteProfileAction");
    QVERIFY(!pm->names().contains(gone));
    QCOMPARE(pm->activeName(), neighbour);
    QVERIFY(pm->activate(kept, &error));
    QCOMPARE(pm->index().rules.size(), 1);
    QVERIFY(bar.told.isEmpty());
}

void TestProfilesUi::namesFollowOneRuleInTheWindow()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    const QString first = pm->activeName();
    MainWindow::setTrayAvailableForTesting(1);
    MainWindow w;
    AnsweredBar bar;
    auto *tray = w.trayMenu->findChild<QMenu *>(QStringLiteral("profilesMenu"));
    QVERIFY(tray);

    // Taken in New as in Rename, empty in both: each gets its message, nothing changes.
    const QStringList before = pm->names();
    bar.names = {first, QStringLiteral("  ")};
    bar.trigger("newProfileAction");
    bar.trigger("newProfileAction");
    bar.names = {QStringLiteral("\n")};
    bar.trigger("renameProfileAction");
    QCOMPARE(bar.told, (QStringList{md->languageText(209), md->languageText(216), md->languageText(216)}));
    QCOMPARE(pm->names(), before);

    // A pasted line break is a blank; a long name is shortened where it is shown.
    const QString longName = QString(ProfileIndex::MaxNameLength, QLatin1Char('W'));
    bar.names = {QStringLiteral("two\nlines"), longName};
    bar.trigger("newProfileAction");
    QCOMPARE(pm->activeName(), QStringLiteral("two lines"));
    bar.trigger("newProfileAction");
    QCOMPARE(pm->activeName(), longName);
    QComboBox *box = bar.profileComboBox;
    const int at = box->findData(longName);
    QVERIFY(at >= 0);
    QVERIFY(box->itemText(at).endsWith(QChar(0x2026)));
    QVERIFY(box->fontMetrics().horizontalAdvance(box->itemText(at)) <= ProfileBar::NameWidth);
    QCOMPARE(box->itemData(at, Qt::ToolTipRole).toString(), longName);
    QAction *inTray = tray->actions().last();
    QVERIFY(inTray->text().endsWith(QChar(0x2026)));
    QVERIFY(tray->sizeHint().width() < 2 * ProfileBar::NameWidth);
    // Chosen by its shortened entry, it is still that profile.
    box->setCurrentIndex(0);
    QCOMPARE(pm->activeName(), first);
    box->setCurrentIndex(at);
    QCOMPARE(pm->activeName(), longName);
    inTray = tray->actions().at(0);
    inTray->trigger();
    QCOMPARE(pm->activeName(), first);
    MainWindow::setTrayAvailableForTesting(-1);

    // An export named without the suffix gets it, so that the import dialog lists it.
    bar.saveFile = dir.filePath(QStringLiteral("shared"));
    bar.trigger("exportProfileAction");
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("shared.mcp"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("shared"))));
}

void TestProfilesUi::fileDialogsStartInAFolderThatExists()
{
    QVERIFY(!QDir(home.filePath(QStringLiteral("Desktop"))).exists());
    QFileDialog save;
    save.setOption(QFileDialog::DontUseNativeDialog);
    FileDialogs::configure(&save, true, QStringLiteral("mcp"), QStringLiteral("Work/Play"));
    QCOMPARE(QDir(save.directory()).canonicalPath(), QDir(home.path()).canonicalPath());
    QCOMPARE(save.defaultSuffix(), QStringLiteral("mcp"));
    QCOMPARE(QFileInfo(save.selectedFiles().value(0)).fileName(), QStringLiteral("Work-Play.mcp"));

    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Desktop")));
    QFileDialog open;
    open.setOption(QFileDialog::DontUseNativeDialog);
    FileDialogs::configure(&open, false, QString(), QString());
    QCOMPARE(QDir(open.directory()).canonicalPath(), QDir(home.filePath(QStringLiteral("Desktop"))).canonicalPath());
    QCOMPARE(FileDialogs::withSuffix(QStringLiteral("a.MCP"), QStringLiteral("mcp")), QStringLiteral("a.MCP"));
    QCOMPARE(FileDialogs::withSuffix(QStringLiteral("a.mc"), QStringLiteral("mcp")), QStringLiteral("a.mc.mcp"));
}

void TestProfilesUi::repairedListIsToldWhenTheChooserIsSeen()
{
    ProfileManager *pm = ProfileManager::instance();
    const QStringList names = pm->names();
    QFile index(ProfileIndex::path());
    QVERIFY(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
    index.write("\x01\x02[profiles\n");
    index.close();
    pm->load();
    QCOMPARE(pm->names().size(), names.size());

    AnsweredBar bar;
    QVERIFY(bar.told.isEmpty());
    bar.show();
    QCOMPARE(bar.told.size(), 1);
    QVERIFY(bar.told.first().startsWith(MouseData::instance()->languageText(221)));
    QVERIFY(bar.told.first().contains(QStringLiteral("profiles.ini.damaged-")));
    bar.hide();
    bar.show();
    QCOMPARE(bar.told.size(), 1);
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

// A screen reader hears each change to the profiles as it is done, and only what was done.
void TestProfilesUi::everyChangeIsConfirmedAloud()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    const auto active = [md](const QString &name) {
        return md->languageText(md->deviceType != 255 ? 234 : 252).arg(name);
    };
    AnsweredBar bar;
    bar.names = {QStringLiteral("Spoken")};
    bar.trigger("newProfileAction");
    QCOMPARE(pm->activeName(), QStringLiteral("Spoken"));
    QCOMPARE(bar.announced, QStringList{md->languageText(250).arg(QStringLiteral("Spoken")) + QLatin1Char(' ')
                                        + active(QStringLiteral("Spoken"))});

    // Refused: told, not confirmed.
    bar.announced.clear();
    bar.names = {QStringLiteral("Spoken")};
    bar.trigger("newProfileAction");
    QCOMPARE(bar.told.size(), 1);
    QVERIFY(bar.announced.isEmpty());
    // Cancelled: nothing at all.
    bar.trigger("renameProfileAction");
    QVERIFY(bar.announced.isEmpty());

    bar.names = {QStringLiteral("Said")};
    bar.trigger("renameProfileAction");
    QCOMPARE(bar.announced, QStringList{md->languageText(251).arg(QStringLiteral("Said"))});

    bar.announced.clear();
    bar.trigger("duplicateProfileAction");
    QCOMPARE(bar.announced.size(), 1);
    QVERIFY(bar.announced.first().startsWith(QStringLiteral("Profile \"")));
    QVERIFY(pm->names().contains(bar.announced.first().section(QLatin1Char('"'), 1, 1)));

    // Chosen in the box: the switch is confirmed with the profile's name.
    bar.announced.clear();
    const int other = bar.profileComboBox->findData(pm->names().first());
    bar.profileComboBox->setCurrentIndex(other);
    QCOMPARE(bar.announced, QStringList{active(pm->names().first())});

    QVERIFY(pm->activate(QStringLiteral("Said")));
    bar.announced.clear();
    bar.yes = true;
    bar.trigger("deleteProfileAction");
    QVERIFY(!pm->names().contains(QStringLiteral("Said")));
    QCOMPARE(bar.announced, QStringList{md->languageText(253).arg(QStringLiteral("Said")) + QLatin1Char(' ')
                                        + active(pm->activeName())});
    QCOMPARE(bar.told.size(), 1);
}
