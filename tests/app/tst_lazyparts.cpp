#include <QBoxLayout>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "app/mainwindow.h"
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "model/mousedata.h"
#include "pages/keys/funbtnwindow.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/mousewindow.h"
#include "pages/keys/submenuwindow.h"
#include "pages/macro/macrowindow.h"
#include "pages/performance/dpibtn.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "pages/performance/sensorwindow.h"
#include "profiles/ui/profilebar.h"
#include "sim/vmouse.h"

// Menus, pickers and pages other than what the key page shows at start are built on first
// use. Built late, in any order, each must sit, stack, tab and behave as if built with the
// window.
class TestLazyParts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void onlyTheKeyPageIsBuiltAtStart();
    void builtInAnyOrderTheyTakeTheirPlace();
    void dpiPageBuiltLateShowsWhatTheMouseChose();

private:
    bool attach(int family);
    // Focusable widgets of the window in tab order.
    QList<QWidget *> tabChain() const;

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;
};

bool TestLazyParts::attach(int family)
{
    return replugAndCheck(family);
}

QList<QWidget *> TestLazyParts::tabChain() const
{
    QList<QWidget *> chain;
    QWidget *x = w.get();
    do {
        if (x->focusPolicy() & Qt::TabFocus)
            chain << x;
        x = x->nextInFocusChain();
    } while (x && x != w.get());
    return chain;
}

void TestLazyParts::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(TestRoot::install(dir.path()));
    TestRoot::loadProfile();
}

void TestLazyParts::init()
{
    MainWindow::setTrayAvailableForTesting(1);
    QVERIFY(attach(-1));
    w = std::make_unique<MainWindow>();
}

void TestLazyParts::cleanup()
{
    w.reset();
    MainWindow::setTrayAvailableForTesting(-1);
}

void TestLazyParts::cleanupTestCase()
{
    vmouse_reset();
    Controller::shutdown();
}

void TestLazyParts::onlyTheKeyPageIsBuiltAtStart()
{
    QCOMPARE(w->builtMenusAndPages(), (QList<QWidget *>{w->mainMenu, w->mousePage}));
    QVERIFY(w->builtPickers().isEmpty());
    QVERIFY(w->findChildren<DPIWindow *>().isEmpty());
    QVERIFY(w->findChildren<LightWindow *>().isEmpty());

    // Opening a column builds that column only; a page builds that page only.
    w->mainMenu->selectedKey = 0;
    w->subMenu->category = 2;
    w->menuContorlProc();
    QCOMPARE(w->builtPickers(), QList<QWidget *>{w->pickerAt(1)});
    QVERIFY(w->pickerAt(1)->isVisibleTo(w.get()));
    w->onWindowSelect(4);
    QVERIFY(w->sensorPage.built());
    QVERIFY(!w->dpiPage.built() && !w->lightPage.built() && !w->macroPage.built());
    QVERIFY(w->sensorPage->isVisibleTo(w.get()));
    QCOMPARE(w->builtPickers().size(), 1);
}

void TestLazyParts::builtInAnyOrderTheyTakeTheirPlace()
{
    w->resize(1200, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    // Pages first, last to first, then the columns the other way round.
    for (int page = 4; page >= 1; --page)
        w->onWindowSelect(page);
    w->onWindowSelect(0);
    w->mainMenu->selectedKey = 0;
    for (int category = 7; category >= 1; --category) {
        w->subMenu->category = category;
        w->menuContorlProc();
    }
    const QList<QWidget *> parts = w->menusAndPages();
    QCOMPARE(w->builtMenusAndPages(), parts);

    // The layout, the child order a screen reader walks and the stacking follow the window's
    // order; the notice about a missing mouse stays on top of them all.
    auto *row = qobject_cast<QBoxLayout *>(w->mainFrame->layout());
    QVERIFY(row);
    QCOMPARE(row->indexOf(w->funBtn), 0);
    QList<QWidget *> children;
    for (QObject *o : w->mainFrame->children()) {
        if (parts.contains(o))
            children << static_cast<QWidget *>(o);
    }
    QCOMPARE(children, parts);
    for (int i = 0; i < parts.size(); ++i)
        QCOMPARE(row->indexOf(parts[i]), i + 1);
    const QObjectList all = w->mainFrame->children();
    const auto *notice = w->findChild<QWidget *>(QStringLiteral("noMouseNotice"));
    QVERIFY(notice);
    QVERIFY(all.indexOf(notice) > all.indexOf(parts.last()));

    // Tab order: each part's widgets after those of the parts before it, and all of them
    // before the title bar's profile chooser, which is made after the pages.
    const QList<QWidget *> chain = tabChain();
    int previous = -1;
    QWidget *previousPart = nullptr;
    for (QWidget *part : parts) {
        for (QWidget *x : chain) {
            if (!part->isAncestorOf(x))
                continue;
            const int at = int(chain.indexOf(x));
            QVERIFY2(at > previous, qPrintable(QStringLiteral("%1 in %2 comes before %3")
                                                    .arg(x->objectName(), part->objectName(),
                                                         previousPart ? previousPart->objectName() : QString())));
            previous = at;
            previousPart = part;
        }
    }
    QVERIFY(previous >= 0);
    const auto *chooser = w->titleFrame->findChild<ProfileBar *>();
    QVERIFY(chooser);
    bool chooserReached = false;
    for (int i = 0; i < chain.size(); ++i) {
        if (chooser->isAncestorOf(chain[i])) {
            QVERIFY2(i > previous, qPrintable(chain[i]->objectName()));
            chooserReached = true;
        }
    }
    QVERIFY(chooserReached);

    // Only one column is open at a time, whichever was built last.
    int shown = 0;
    for (QWidget *p : w->pickers())
        shown += p->isVisibleTo(w.get()) ? 1 : 0;
    QCOMPARE(shown, 1);
    QVERIFY(w->pickerAt(0)->isVisibleTo(w.get()));
}

void TestLazyParts::dpiPageBuiltLateShowsWhatTheMouseChose()
{
    QVERIFY(attach(0));
    MouseData *md = MouseData::instance();
    // The mouse's DPI key chose level 3, then reported a level the page cannot show.
    w->handleEventReport(4, 1, 0, 2);
    QCOMPARE(md->currentDpiLevel, uchar(2));
    QVERIFY(!w->dpiPage.built());

    w->onWindowSelect(1);
    DPIWindow *page = w->dpiPage.built();
    QVERIFY(page);
    QCOMPARE(page->currentLevel, 2);
    QVERIFY(page->cards[2]->selected);
    QVERIFY(!page->cards[0]->selected);
    QCOMPARE(page->xSlider->value(), page->cards[2]->xDpi());
    // The device check happened before the page existed: the page still shows its figures.
    QCOMPARE(page->xSlider->maximum(), int(md->maxDpi));
    QCOMPARE(md->currentDpiLevel, uchar(2));

    // Built, the page keeps the level itself, as before.
    w->handleEventReport(4, 1, 0, 1);
    QCOMPARE(page->currentLevel, 1);
    QCOMPARE(md->currentDpiLevel, uchar(1));
}

QTEST_MAIN(TestLazyParts)
#include "tst_lazyparts.moc"
