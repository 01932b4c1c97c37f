#include "pagetestsupport.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QtTest>

#include "common/testroot.h"
#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "sim/vmouse.h"

bool PageTestSupport::startProfile(const QString &root)
{
    if (!TestRoot::install(root))
        return false;
    MacroData::instance()->load();
    TestRoot::loadProfile();
    return true;
}

bool PageTestSupport::attach(int family)
{
    vmouse_reset();
    mouse = TestRoot::plugFamily(family);
    if (mouse < 0)
        return false;
    MouseData *md = MouseData::instance();
    QSignalSpy attached(md, &MouseData::deviceChange);
    emit Controller::instance()->check();
    return attached.wait(5000) && md->deviceType == family;
}

vmouse_state PageTestSupport::state() const
{
    vmouse_state s{};
    vmouse_get_state(mouse, &s);
    return s;
}

bool PageTestSupport::keyOnWire(int key, int kind, int p1, int p2, int p3) const
{
    const vmouse_state s = state();
    return s.keys[key][0] == kind && s.keys[key][1] == p1 && s.keys[key][2] == p2 && s.keys[key][3] == p3;
}

void PageTestSupport::settle() const
{
    unsigned last = state().commands;
    QElapsedTimer quiet;
    quiet.start();
    QElapsedTimer limit;
    limit.start();
    while (quiet.elapsed() < 200 && limit.elapsed() < 10000) {
        QTest::qWait(20);
        const unsigned now = state().commands;
        if (now != last) {
            last = now;
            quiet.restart();
        }
    }
    QVERIFY(quiet.elapsed() >= 200);
}

void PageTestSupport::shutdown()
{
    Controller::instance()->setCurrentIc(nullptr);
    Controller::shutdown();
    vmouse_reset();
}

void PageTestSupport::typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::MouseFocusReason);
    QVERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void PageTestSupport::clickRow(QListView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    QVERIFY(index.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}
