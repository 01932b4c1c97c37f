#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
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
#include "sim/vmouse.h"

namespace {

bool copyDir(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString &f : files) {
        if (!QFile::copy(from + '/' + f, to + '/' + f))
            return false;
        QFile(to + '/' + f).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return !files.isEmpty();
}

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

    static void clickRow(QListView *view, int row)
    {
        const QModelIndex index = view->model()->index(row, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
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
        QVERIFY(copyDir(QStringLiteral(MOUSECFG_SOURCE_DIR "/data"), dir.path() + "/data"));
        QVERIFY(copyDir(QStringLiteral(MOUSECFG_SOURCE_DIR "/i18n"), dir.path() + "/i18n"));
        DataPaths::setRoot(dir.path());
        outDir = qEnvironmentVariable("MOUSECFG_SCREENSHOT_DIR", dir.path() + "/shots");
        QVERIFY(QDir().mkpath(outDir));

        MacroData *store = MacroData::instance();
        store->load();
        store->macroActions() = {QStringLiteral("1@#A_-1@#A_-0"), QStringLiteral("1@#B_-1@#B_-0")};
        store->setMacroNames({QStringLiteral("Burst"), QStringLiteral("Reload")});
        md = MouseData::instance();
        md->loadLanguage();
        md->load(0);
        md->screenClass = 0;
        MouseDefaultData::instance()->load();
        md->fillMissingFromDefaults();
        md->isDefaultKey = 1;

        vmouse_reset();
        QVERIFY(vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32) >= 0);
        QSignalSpy attached(md, &MouseData::deviceChange);

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

        emit Controller::instance()->check();
        QVERIFY(attached.wait(5000));
    }
    void cleanupTestCase()
    {
        delete screen;
        Controller::instance()->setCurrentIc(nullptr);
        Controller::shutdown();
        vmouse_reset();
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
        clickRow(mainMenu->mainMenuListView, 2);
        QVERIFY(subMenu->isVisible());
        clickRow(subMenu->subMenuListView, category);
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
        clickRow(mainMenu->mainMenuListView, 4);
        clickRow(subMenu->subMenuListView, 1);
        QVERIFY(pickers[0]->isVisible());
        clickRow(subMenu->subMenuListView, 0);
        for (QWidget *p : std::as_const(pickers))
            QVERIFY(!p->isVisible());
    }
};

QTEST_MAIN(TestKeysScreens)
#include "tst_keysscreens.moc"
