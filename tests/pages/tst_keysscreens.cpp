#include <QDir>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "common/testroot.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/keys/childmenuwindow.h"
#include "pages/keys/dpimenu.h"
#include "pages/keys/funbtnwindow.h"
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

const QColor accent(255, 80, 0);

} // namespace

// Renders the key screen with each third column open. The pictures go to
// MOUSECFG_SCREENSHOT_DIR when it is set (docs/screenshots), else to a temporary directory.
class TestKeysScreens : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString outDir;
    MouseData *md = nullptr;
    QFrame *screen = nullptr;
    mainMenuWindow *mainMenu = nullptr;
    subMenuWindow *subMenu = nullptr;
    mouseWindow *page = nullptr;
    QList<QWidget *> pickers; // by category 1..7
    PageTestSupport rig;

    // What the main window's column control does.
    void showColumns()
    {
        subMenu->setVisible(mainMenu->selectedKey >= 0);
        for (int i = 0; i < pickers.size(); ++i)
            pickers[i]->setVisible(mainMenu->selectedKey >= 0 && subMenu->category == i + 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(TestRoot::install(dir.path()));
        outDir = qEnvironmentVariable("MOUSECFG_SCREENSHOT_DIR", dir.path() + "/shots");
        QVERIFY(QDir().mkpath(outDir));

        MacroData *store = MacroData::instance();
        store->load();
        store->macroActions() = {QStringLiteral("1@#A_-1@#A_-0"), QStringLiteral("1@#B_-1@#B_-0")};
        store->setMacroNames({QStringLiteral("Burst"), QStringLiteral("Reload")});
        TestRoot::loadProfile();
        md = MouseData::instance();
        md->isDefaultKey = 1;


        screen = new QFrame;
        screen->setObjectName(QStringLiteral("mainFrame"));
        screen->setStyleSheet(QStringLiteral("QFrame#mainFrame { border-image: url(:/images/background.png); }"));
        auto *row = new QHBoxLayout(screen);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        row->addWidget(new funBtnWindow);
        mainMenu = new mainMenuWindow;
        subMenu = new subMenuWindow;
        row->addWidget(mainMenu);
        row->addWidget(subMenu);
        pickers = {new keyboardFunctionMenu, new MouseFunctionMenu, new MacroMenu, new RunMenu,
                   new childMenuWindow, new ShortcutMenu, new DpiMenu};
        for (QWidget *p : std::as_const(pickers))
            row->addWidget(p);
        page = new mouseWindow;
        row->addWidget(page, 1);
        connect(mainMenu, &mainMenuWindow::menuControl, this, &TestKeysScreens::showColumns);
        connect(subMenu, &subMenuWindow::menuControl, this, &TestKeysScreens::showColumns);
        showColumns();
        screen->resize(1300, 800);
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen));

        // Checked once the screen is built, so that every column takes the mouse in.
        QVERIFY(rig.attach(0));
    }
    void cleanupTestCase()
    {
        delete screen;
        PageTestSupport::shutdown();
    }

    void eachPicker_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("name");
        QTest::newRow("keyboard") << 1 << "keyboard";
        QTest::newRow("mouse") << 2 << "mouse";
        QTest::newRow("macro") << 3 << "macro";
        QTest::newRow("launcher") << 4 << "launcher";
        QTest::newRow("multimedia") << 5 << "multimedia";
        QTest::newRow("shortcut") << 6 << "shortcut";
        QTest::newRow("dpi") << 7 << "dpi";
    }
    void eachPicker()
    {
        QFETCH(int, category);
        QFETCH(QString, name);
        rig.clickRow(mainMenu->mainMenuListView, 2);
        QVERIFY(subMenu->isVisible());
        rig.clickRow(subMenu->subMenuListView, category);
        for (int i = 0; i < pickers.size(); ++i)
            QCOMPARE(pickers[i]->isVisible(), i == category - 1);
        // The delegate paints the chosen rows in the accent colour, the others not.
        QWidget *vp = subMenu->subMenuListView->viewport();
        const QRect chosen = subMenu->subMenuListView->visualRect(subMenu->model->index(category, 0));
        const QRect other = subMenu->subMenuListView->visualRect(subMenu->model->index(category == 1 ? 2 : 1, 0));
        const QImage lists = vp->grab().toImage();
        QCOMPARE(QColor(lists.pixel(chosen.left() + 4, chosen.center().y())), accent);
        QVERIFY(QColor(lists.pixel(other.left() + 4, other.center().y())) != accent);
        QVERIFY(page->markers[2]->selected);

        const QPixmap shot = screen->grab();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(outDir + "/keys-" + name + ".png"));
    }

    void immediateActionsCloseThePicker()
    {
        rig.clickRow(mainMenu->mainMenuListView, 4);
        rig.clickRow(subMenu->subMenuListView, 1);
        QVERIFY(pickers[0]->isVisible());
        rig.clickRow(subMenu->subMenuListView, 0);
        for (QWidget *p : std::as_const(pickers))
            QVERIFY(!p->isVisible());
    }
};

QTEST_MAIN(TestKeysScreens)
#include "tst_keysscreens.moc"
