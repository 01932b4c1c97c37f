#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/childmenuwindow.h"
#include "pages/keys/dpimenu.h"
#include "pages/keys/groupkeyedit.h"
#include "pages/keys/keyboardfunctionmenu.h"
#include "pages/keys/macromenu.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mousefunctionmenu.h"
#include "pages/keys/mousekey.h"
#include "pages/keys/mouseviewmodel.h"
#include "pages/keys/mousewindow.h"
#include "pages/keys/runmenu.h"
#include "pages/keys/shortcutmenu.h"
#include "pages/keys/submenuwindow.h"
#include "pagetestsupport.h"

namespace {

// A launcher whose file dialog answers from a queue, so tests never block on a modal dialog.
class ScriptedRunMenu : public RunMenu
{
public:
    QStringList answers;
    int asked = 0;

protected:
    QString askProgramPath() override
    {
        ++asked;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

struct Code
{
    int kind, p1, p2, p3;
};

// The mouse's own form of a code, as the chip protocol translates it before sending.
Code toWire(Code c)
{
    switch (c.kind) {
    case 0:
        return {1, c.p1, c.p2, c.p3};
    case 1:
        if (c.p1 == 1 && (c.p2 == 240 || c.p2 == 241))
            return {c.p3 == 2 ? 12 : 2, c.p1, c.p2, c.p3};
        switch (c.p2) {
        case 247: return {5, 1, 1, 0};
        case 248: return {5, 2, 1, 0};
        case 245: return {5, 3, 1, 0};
        case 246: return {5, 4, 1, 0};
        default: return {2, c.p1, c.p2, c.p3};
        }
    case 2:
        return {10, c.p1, c.p2, c.p3};
    case 5:
        if (c.p1 == 0 && ((c.p2 == 148 && c.p3 == 1) || (c.p2 == 33 && c.p3 == 2)))
            return {4, c.p1, c.p2, c.p3};
        return {1, c.p1, c.p2, c.p3};
    case 6:
        return {8, c.p1, c.p2, c.p3};
    default:
        return c;
    }
}

} // namespace

class TestKeys : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MouseData *md = nullptr;
    MouseDefaultData *dd = nullptr;
    PageTestSupport rig;

    QWidget *screen = nullptr;
    mouseWindow *page = nullptr;
    mainMenuWindow *mainMenu = nullptr;
    subMenuWindow *subMenu = nullptr;
    childMenuWindow *media = nullptr;
    MouseFunctionMenu *mouseMenu = nullptr;
    ShortcutMenu *shortcuts = nullptr;
    DpiMenu *dpiMenu = nullptr;
    keyboardFunctionMenu *keyboard = nullptr;
    ScriptedRunMenu *run = nullptr;
    MacroMenu *macros = nullptr;

    bool wireHas(int key, Code code) const
    {
        const Code c = toWire(code);
        return rig.keyOnWire(key, c.kind, c.p1, c.p2, c.p3);
    }
    bool profileHas(int key, Code c) const
    {
        return md->keyMatrix.at(key).is(uchar(c.kind), uchar(c.p1), uchar(c.p2), uchar(c.p3));
    }
    QString listLabel(int key) const
    {
        const auto &rows = mainMenu->model->rows();
        for (const MenuRow &r : rows) {
            if (r.lead == QString::number(key + 1))
                return r.text;
        }
        return QStringLiteral("<no row>");
    }
    void selectKey(int key)
    {
        QTest::mouseClick(page->markers[key], Qt::LeftButton);
        QCOMPARE(int(md->currentKey), key);
    }
    // The label must reach the marker and the list, and the code the mouse.
    void expectAssigned(int key, Code c, const QString &label)
    {
        QVERIFY(profileHas(key, c));
        QCOMPARE(page->markers[key]->text, label);
        QCOMPARE(listLabel(key), label);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(key, c), 5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(rig.startProfile(dir.path()));
        md = MouseData::instance();
        dd = MouseDefaultData::instance();
        QVERIFY(!md->languageText(11).isEmpty());
        QVERIFY(dd->defaultKeyFunction(5));

        QVERIFY(rig.attach(0));

        screen = new QWidget;
        auto *row = new QHBoxLayout(screen);
        mainMenu = new mainMenuWindow;
        subMenu = new subMenuWindow;
        media = new childMenuWindow;
        mouseMenu = new MouseFunctionMenu;
        shortcuts = new ShortcutMenu;
        dpiMenu = new DpiMenu;
        keyboard = new keyboardFunctionMenu;
        run = new ScriptedRunMenu;
        macros = new MacroMenu;
        page = new mouseWindow;
        for (QWidget *w : std::initializer_list<QWidget *>{mainMenu, subMenu, media, mouseMenu, shortcuts,
                                                           dpiMenu, keyboard, run, macros, page})
            row->addWidget(w);
        screen->resize(2600, 900);
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen));
    }
    void cleanupTestCase()
    {
        delete screen;
        PageTestSupport::shutdown();
    }
    void init()
    {
        // Every test starts from the factory layout as the user's own, with all keys listed.
        for (int i = 0; i < 16; ++i) {
            const KeyFunction *d = dd->defaultKeyFunction(i);
            if (d)
                md->keyMatrix[i] = *d;
        }
        md->isDefaultKey = 1;
        mainMenu->mainMenuComboBox->setCurrentIndex(0);
        md->sendAllKeys();
        page->usrSettingBtn->setChecked(true);
    }

    void markerClickSelectsKeyAndListFollows()
    {
        QSignalSpy changed(md, &MouseData::mouseKeyChanged);
        selectKey(3);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
        QVERIFY(page->markers[3]->selected);
        QCOMPARE(mainMenu->mainMenuListView->currentIndex().row(), 3);
        QCOMPARE(mainMenu->selectedKey, 3);

        // The key that is already current: nothing is emitted.
        QTest::mouseClick(page->markers[3], Qt::LeftButton);
        QCOMPARE(changed.count(), 1);

        // Marker by keyboard: focus it and press Space.
        page->markers[1]->setFocus();
        QTest::keyClick(page->markers[1], Qt::Key_Space);
        QCOMPARE(int(md->currentKey), 1);
        QVERIFY(page->markers[1]->selected);
        QVERIFY(!page->markers[3]->selected);
    }

    void listClickSelectsMarkerAndOpensMenu()
    {
        selectKey(0);
        QSignalSpy menu(mainMenu, &mainMenuWindow::menuControl);
        rig.clickRow(mainMenu->mainMenuListView, 4);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(int(md->currentKey), 4);
        QCOMPARE(mainMenu->selectedKey, 4);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(page->markers[i]->selected, i == 4);
        QCOMPARE(int(page->currentMarker), 4);

        // Each side ignores its own echo.
        emit md->mouseKeyChanged(1, 2);
        QVERIFY(page->markers[4]->selected);
        QVERIFY(!page->markers[2]->selected);
        QCOMPARE(mainMenu->mainMenuListView->currentIndex().row(), 2);
        emit md->mouseKeyChanged(0, 5);
        QCOMPARE(mainMenu->mainMenuListView->currentIndex().row(), 2);
        QVERIFY(page->markers[5]->selected);

        // Enter on a list row acts like a click.
        mainMenu->mainMenuListView->setFocus();
        mainMenu->mainMenuListView->setCurrentIndex(mainMenu->model->index(1, 0));
        QTest::keyClick(mainMenu->mainMenuListView, Qt::Key_Return);
        QCOMPARE(int(md->currentKey), 1);
        QCOMPARE(menu.count(), 2);
    }

    // Whatever moves the list's highlight moves the current key with it, so the next choice
    // programs the key that is highlighted, and its label lands in that key's row and marker.
    void highlightedRowIsTheProgrammedKey()
    {
        selectKey(0);
        QListView *list = mainMenu->mainMenuListView;
        const auto highlighted = [list] {
            const QModelIndexList rows = list->selectionModel()->selectedIndexes();
            return rows.size() == 1 ? rows.first().row() : -1;
        };
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(highlighted(), 2);
        QCOMPARE(int(md->currentKey), 2);
        QVERIFY(page->markers[2]->selected && !page->markers[0]->selected);
        rig.clickRow(mouseMenu->listView, 2);
        expectAssigned(2, {1, 0, 242, 0}, md->languageText(18));
        QVERIFY(profileHas(0, {1, 0, 240, 0}));

        // Pressed on row 4, released on row 1: row 1 is highlighted and programmed.
        const QRect from = list->visualRect(mainMenu->model->index(4, 0));
        const QRect to = list->visualRect(mainMenu->model->index(1, 0));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from.center());
        QTest::mouseMove(list->viewport(), to.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to.center());
        QCOMPARE(highlighted(), 1);
        QCOMPARE(int(md->currentKey), 1);
        const KeyFunction before4 = md->keyMatrix.at(4);
        rig.clickRow(shortcuts->listView, 0);
        expectAssigned(1, {5, 0, 0xE0, 0x1B}, md->languageText(42));
        QVERIFY(profileHas(4, {before4.kind, before4.param1, before4.param2, before4.param3}));
        QCOMPARE(listLabel(4), before4.label);
    }

    void outOfRangeIndicesChangeNothing()
    {
        selectKey(2);
        page->selectMouseKey(6);
        page->selectMouseKey(-1);
        page->updateMouseKey(0, 9);
        QCOMPARE(int(md->currentKey), 2);
        QVERIFY(page->markers[2]->selected);

        // A key index the markers do not have must not turn into a selection.
        md->currentKey = 255;
        mainMenu->modifyKeyShow(0);
        QCOMPARE(mainMenu->selectedKey, -1);
        QVERIFY(!mainMenu->mainMenuListView->currentIndex().isValid());

        const QList<QListView *> lists = {media->childMenuListView, mouseMenu->listView,
                                          shortcuts->listView, dpiMenu->listView};
        const QString before = md->keyMatrix.at(2).label;
        md->currentKey = 2;
        for (QListView *v : lists)
            emit v->clicked(QModelIndex());
        media->clickedProc(media->model->index(6, 0));
        QCOMPARE(md->keyMatrix.at(2).label, before);
    }

    void pickerAssigns_data()
    {
        QTest::addColumn<int>("picker");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::addColumn<int>("p3");
        QTest::addColumn<int>("text");
        // 0 multimedia, 1 mouse functions, 2 shortcuts, 3 DPI functions
        QTest::newRow("volume up") << 0 << 0 << 4 << 0 << 0xE9 << 0 << 36;
        QTest::newRow("next track") << 0 << 5 << 4 << 0 << 0xB5 << 0 << 41;
        QTest::newRow("button 5 listed before 4") << 1 << 3 << 1 << 0 << 244 << 0 << 20;
        QTest::newRow("button 4") << 1 << 4 << 1 << 0 << 243 << 0 << 19;
        QTest::newRow("double left") << 1 << 5 << 1 << 1 << 240 << 2 << 21;
        QTest::newRow("scroll down") << 1 << 10 << 1 << 0 << 246 << 0 << 26;
        QTest::newRow("ctrl x") << 2 << 0 << 5 << 0 << 0xE0 << 0x1B << 42;
        QTest::newRow("consumer 0x0221 low byte first") << 2 << 8 << 5 << 0 << 0x21 << 0x02 << 50;
        QTest::newRow("alt space n") << 2 << 10 << 5 << 0xE2 << 0x2C << 0x11 << 52;
        QTest::newRow("win r") << 2 << 11 << 5 << 0 << 0xE3 << 0x15 << 53;
        QTest::newRow("dpi cycle") << 3 << 2 << 6 << 3 << 0 << 0 << 56;
    }
    void pickerAssigns()
    {
        QFETCH(int, picker);
        QFETCH(int, row);
        QFETCH(int, kind);
        QFETCH(int, p1);
        QFETCH(int, p2);
        QFETCH(int, p3);
        QFETCH(int, text);
        const QList<QListView *> lists = {media->childMenuListView, mouseMenu->listView,
                                          shortcuts->listView, dpiMenu->listView};
        selectKey(3);
        rig.clickRow(mainMenu->mainMenuListView, 3);
        rig.clickRow(lists[picker], row);
        expectAssigned(3, {kind, p1, p2, p3}, md->languageText(text));
    }

    void restoreAndDisable()
    {
        selectKey(2);
        rig.clickRow(mainMenu->mainMenuListView, 2);
        rig.clickRow(dpiMenu->listView, 0);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(2, {6, 1, 0, 0}), 5000);

        // Restore: the label comes from the code, not from the row's caption.
        QSignalSpy menu(subMenu, &subMenuWindow::menuControl);
        rig.clickRow(subMenu->subMenuListView, 0);
        QCOMPARE(subMenu->category, 0);
        QCOMPARE(menu.count(), 1);
        expectAssigned(2, {1, 0, 242, 0}, md->languageText(18));

        rig.clickRow(subMenu->subMenuListView, 8);
        QCOMPARE(subMenu->category, 8);
        expectAssigned(2, {0, 0, 0, 0}, md->languageText(11));
        QCOMPARE(md->functionText(0, 0, 0, 0), md->languageText(11));

        // Opening a category assigns nothing.
        rig.clickRow(subMenu->subMenuListView, 1);
        QCOMPARE(subMenu->category, 1);
        QVERIFY(profileHas(2, {0, 0, 0, 0}));
    }

    void keyboardPickerSingleKey()
    {
        selectKey(1);
        rig.clickRow(mainMenu->mainMenuListView, 1);
        keyboard->optionList->setCurrentIndex(1);
        QVERIFY(keyboard->inputEdit->isHidden());
        QVERIFY(!keyboard->itemList->isHidden());
        keyboard->itemList->setCurrentIndex(keyboard->itemList->findText(QStringLiteral("Q")));
        QTest::mouseClick(keyboard->saveBtn, Qt::LeftButton);
        expectAssigned(1, {0, 0, 20, 0}, QStringLiteral("Q"));

        keyboard->itemList->setCurrentIndex(keyboard->itemList->findText(QStringLiteral("0")));
        QTest::mouseClick(keyboard->saveBtn, Qt::LeftButton);
        expectAssigned(1, {0, 0, 39, 0}, QStringLiteral("0"));
        keyboard->optionList->setCurrentIndex(0);
        QVERIFY(!keyboard->inputEdit->isHidden());
        QVERIFY(keyboard->itemList->isHidden());
    }

    void lastLeftButtonIsProtected()
    {
        // Only key 0 carries the left button in the factory layout.
        QVERIFY(profileHas(0, {1, 0, 240, 0}));
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(0, {1, 0, 240, 0}), 5000);
        selectKey(0);
        rig.clickRow(mainMenu->mainMenuListView, 0);
        const QString label = page->markers[0]->text;
        QSignalSpy value(md, &MouseData::mouseValueChanged);
        const unsigned before = rig.state().commands;

        rig.clickRow(mouseMenu->listView, 1);
        rig.clickRow(subMenu->subMenuListView, 8);
        QCOMPARE(value.count(), 0);
        QVERIFY(profileHas(0, {1, 0, 240, 0}));
        QCOMPARE(page->markers[0]->text, label);
        QCOMPARE(listLabel(0), label);

        // Nothing went out: a later assignment is the only traffic the mouse sees.
        selectKey(4);
        rig.clickRow(mouseMenu->listView, 0);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(4, {1, 0, 240, 0}), 5000);
        const unsigned perAssignment = rig.state().commands - before;
        QVERIFY(perAssignment >= 1);
        QVERIFY(wireHas(0, {1, 0, 240, 0}));

        // With two left buttons either may go; then the other one is protected.
        selectKey(0);
        rig.clickRow(mouseMenu->listView, 1);
        expectAssigned(0, {1, 0, 241, 0}, md->languageText(17));
        selectKey(4);
        rig.clickRow(mouseMenu->listView, 2);
        QVERIFY(profileHas(4, {1, 0, 240, 0}));
    }

    void changedKeysFilterRebuildRules()
    {
        mainMenu->mainMenuComboBox->setCurrentIndex(1);
        QCOMPARE(mainMenu->model->rowCount(), 0);

        // On the user's own layout an assignment does not rebuild the list.
        selectKey(2);
        rig.clickRow(mouseMenu->listView, 9);
        QVERIFY(profileHas(2, {1, 0, 245, 0}));
        QCOMPARE(mainMenu->model->rowCount(), 0);
        QCOMPARE(page->markers[2]->text, md->languageText(25));

        // A filter change rebuilds it.
        mainMenu->mainMenuComboBox->setCurrentIndex(0);
        QCOMPARE(mainMenu->model->rowCount(), 6);
        mainMenu->mainMenuComboBox->setCurrentIndex(1);
        QCOMPARE(mainMenu->model->rowCount(), 1);
        QCOMPARE(mainMenu->model->rows().at(0).lead, QStringLiteral("3"));
        QCOMPARE(mainMenu->mainMenuListView->currentIndex().row(), 0);

        // Back to the factory code: the row stays until the next rebuild.
        rig.clickRow(mainMenu->mainMenuListView, 0);
        rig.clickRow(subMenu->subMenuListView, 0);
        QCOMPARE(mainMenu->model->rowCount(), 1);
        QCOMPARE(mainMenu->model->rows().at(0).text, md->languageText(18));

        // While the mouse is on the factory layout, the first assignment rebuilds.
        md->isDefaultKey = 0;
        selectKey(5);
        rig.clickRow(dpiMenu->listView, 1);
        QCOMPARE(mainMenu->model->rowCount(), 1);
        QCOMPARE(mainMenu->model->rows().at(0).lead, QStringLiteral("6"));
        QCOMPARE(int(md->isDefaultKey), 1);
        QVERIFY(page->usrSettingBtn->isChecked());
    }

    void factoryLayoutSwitch()
    {
        selectKey(1);
        rig.clickRow(shortcuts->listView, 1);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(1, {5, 0, 0xE0, 0x06}), 5000);
        mainMenu->mainMenuComboBox->setCurrentIndex(1);
        QCOMPARE(mainMenu->model->rowCount(), 1);

        QTest::mouseClick(page->defaultSettingBtn, Qt::LeftButton);
        QVERIFY(page->defaultSettingBtn->isChecked());
        QCOMPARE(int(md->isDefaultKey), 0);
        // Factory labels everywhere, all six rows despite the filter; the profile keeps its own.
        QCOMPARE(mainMenu->model->rowCount(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(page->markers[i]->text, dd->defaultKeyFunction(i)->label);
            QCOMPARE(mainMenu->model->rows().at(i).text, dd->defaultKeyFunction(i)->label);
        }
        QCOMPARE(mainMenu->mainMenuListView->currentIndex().row(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(1, {1, 0, 241, 0}), 5000);
        QVERIFY(profileHas(1, {5, 0, 0xE0, 0x06}));

        QTest::mouseClick(page->usrSettingBtn, Qt::LeftButton);
        QCOMPARE(int(md->isDefaultKey), 1);
        QCOMPARE(page->markers[1]->text, md->languageText(43));
        QCOMPARE(mainMenu->model->rowCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(wireHas(1, {5, 0, 0xE0, 0x06}), 5000);

        // An assignment made on the factory layout puts the user's layout back.
        QTest::mouseClick(page->defaultSettingBtn, Qt::LeftButton);
        selectKey(3);
        rig.clickRow(dpiMenu->listView, 0);
        QVERIFY(page->usrSettingBtn->isChecked());
        QCOMPARE(page->markers[1]->text, md->languageText(43));
        QCOMPARE(page->markers[3]->text, md->languageText(54));
    }

    void launcherSharesOneProgramAndAddress()
    {
        run->answers = {QStringLiteral("/opt/tools/alpha"), QStringLiteral("/home/u/my.app.exe")};
        selectKey(2);
        QTest::mouseClick(run->folderBtn, Qt::LeftButton);
        QCOMPARE(run->folderBtn->text(), QStringLiteral("alpha"));
        QTest::mouseClick(run->saveBtn, Qt::LeftButton);
        expectAssigned(2, {7, 1, 2, 1}, QStringLiteral("alpha"));
        QCOMPARE(md->runProgram, QStringLiteral("/opt/tools/alpha"));

        // The folder icon inside the button opens the chooser too.
        selectKey(4);
        QTest::mousePress(run->folderIcon, Qt::LeftButton);
        QCOMPARE(run->asked, 2);
        QCOMPARE(run->folderBtn->text(), QStringLiteral("my"));
        QTest::mouseClick(run->saveBtn, Qt::LeftButton);
        expectAssigned(4, {7, 1, 2, 1}, QStringLiteral("my"));
        QCOMPARE(md->runProgram, QStringLiteral("/home/u/my.app.exe"));
        QCOMPARE(page->markers[2]->text, QStringLiteral("alpha"));

        // A cancelled chooser changes nothing.
        QTest::mouseClick(run->folderBtn, Qt::LeftButton);
        QCOMPARE(run->programPath, QStringLiteral("/home/u/my.app.exe"));

        // The address option: the field opens, the chooser closes, icon included.
        QTest::mouseClick(run->option1, Qt::LeftButton);
        QVERIFY(run->lineEdit->isEnabled());
        QVERIFY(!run->folderBtn->isEnabled());
        const int asked = run->asked;
        QTest::mousePress(run->folderIcon, Qt::LeftButton);
        QCOMPARE(run->asked, asked);

        const QString typed = QStringLiteral("example.org/a b?q=1");
        QTest::keyClicks(run->lineEdit, typed);
        selectKey(5);
        QTest::mouseClick(run->saveBtn, Qt::LeftButton);
        expectAssigned(5, {7, 1, 1, 1}, typed);
        QCOMPARE(md->runHttps, typed);

        QTest::mouseClick(run->option0, Qt::LeftButton);
        QVERIFY(!run->lineEdit->isEnabled());
        QVERIFY(run->folderBtn->isEnabled());
    }

    void programChooserFilter()
    {
#ifdef Q_OS_WIN
        QCOMPARE(RunMenu::programFilter(), QStringLiteral("exe(*.exe)"));
#else
        QCOMPARE(RunMenu::programFilter(), QStringLiteral("All files (*)"));
#endif
    }

    void macroBindingAndRenaming()
    {
        MacroData *store = MacroData::instance();
        store->macroActions() = {QStringLiteral("1@#A_-1@#A_-0"), QStringLiteral("2@#B_-1@#30_-2@#B_-0"),
                                 QStringLiteral("1@#C_-1@#C_-0")};
        store->setMacroNames({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
        QCOMPARE(macros->optionList->count(), 3);

        macros->optionList->setCurrentIndex(1);
        QTest::mouseClick(macros->macroOption1, Qt::LeftButton);
        QCOMPARE(int(macros->playMode()), 3);
        selectKey(5);
        const vmouse_state before = rig.state();
        QTest::mouseClick(macros->saveBtn, Qt::LeftButton);
        expectAssigned(5, {2, 1, 3, 5}, QStringLiteral("second"));
        QTRY_VERIFY_WITH_TIMEOUT(memcmp(rig.state().macros[5], before.macros[5], 192) != 0, 5000);

        QTest::mouseClick(macros->macroOption2, Qt::LeftButton);
        QCOMPARE(int(macros->playMode()), 2);

        store->setMacroNames({QStringLiteral("first"), QStringLiteral("renamed"), QStringLiteral("third")});
        QCOMPARE(macros->optionList->itemText(1), QStringLiteral("renamed"));
        QCOMPARE(macros->optionList->currentIndex(), 0);

        // No macros: saving does nothing.
        store->setMacroNames({});
        const QString label = md->keyMatrix.at(5).label;
        QTest::mouseClick(macros->saveBtn, Qt::LeftButton);
        QCOMPARE(md->keyMatrix.at(5).label, label);
    }

    void macroLinkOpensEditorPage()
    {
        QSignalSpy select(macros, &MacroMenu::windowSelect);
        md->dragActive = 0;
        QTest::mousePress(macros->macroBtn, Qt::LeftButton);
        QCOMPARE(select.count(), 1);
        QCOMPARE(select.at(0).at(0).toInt(), 3);
        QCOMPARE(int(md->dragActive), 1);
        md->dragActive = 0;

        // From the keyboard no mouse release follows, so the drag flag stays clear.
        macros->macroBtn->setFocus();
        QTest::keyClick(macros->macroBtn, Qt::Key_Return);
        QCOMPARE(select.count(), 2);
        QCOMPARE(int(md->dragActive), 0);
    }
};

QTEST_MAIN(TestKeys)
#include "tst_keys.moc"
