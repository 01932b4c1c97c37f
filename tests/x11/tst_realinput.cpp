// Real X input (xdotool) on the capture fields, the macro recorder and the DPI slider: what the
// screen shows after each action must be what the virtual mouse holds. Runs under with-x.sh.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/keys/groupkeyedit.h"
#include "pages/keys/keyboardfunctionmenu.h"
#include "pages/macro/inputedit.h"
#include "pages/macro/macrowindow.h"
#include "pages/macro/macroviewmodel.h"
#include "pages/pagetestsupport.h"
#include "pages/performance/dpibtn.h"
#include "pages/performance/dpiwindow.h"

namespace {

bool xdo(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// Brings a top-level window to the front through the window manager, as a user's click would.
bool activate(QWidget *w)
{
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return false;
    xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(w->winId())});
    return QTest::qWaitForWindowActive(w);
}

void click(QWidget *w, QPoint at, int button = 1, int repeat = 1)
{
    const QPoint g = w->mapToGlobal(at);
    QVERIFY(xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(g.x()),
                 QString::number(g.y())}));
    QVERIFY(xdo({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
                 QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)}));
}

void keys(const QString &action, const QStringList &names)
{
    QStringList args;
    for (const QString &n : names)
        args << action << n;
    QVERIFY(xdo(args));
}

} // namespace

class TestRealInput : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    PageTestSupport rig;
    MouseData *md = nullptr;
    keyboardFunctionMenu *keyMenu = nullptr;
    MacroWindow *macros = nullptr;
    DPIWindow *dpi = nullptr;

    QStringList rows() const
    {
        QStringList out;
        for (const MacroViewModel::Row &r : macros->actionModel->rows())
            out << r.text;
        return out;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(dir.isValid());
        QVERIFY(rig.startProfile(dir.path()));
        md = MouseData::instance();
        MacroData::instance()->macroNames() = {QStringLiteral("rec")};
        MacroData::instance()->macroActions() = {QStringLiteral("1@#A_-1@#A_-0")};
        keyMenu = new keyboardFunctionMenu;
        keyMenu->resize(260, 300);
        macros = new MacroWindow;
        macros->resize(1200, 700);
        connect(macros, &MacroWindow::macroActionChanged, md, &MouseData::macroActionChangedProc);
        dpi = new DPIWindow;
        QVERIFY(rig.attach(0));
        md->isDefaultKey = 1;
        md->isDefaultDPI = 0;
    }
    void cleanupTestCase()
    {
        delete keyMenu;
        delete macros;
        delete dpi;
        PageTestSupport::shutdown();
    }

    // Shift then Alt (X reports Meta_L for Alt with Shift held), both Windows keys, and a
    // middle click over a selection: the field shows the keys pressed, the mouse gets them.
    void captureFieldsUnderX()
    {
        QVERIFY(activate(keyMenu));
        md->currentKey = 3;
        GroupKeyEdit *edit = keyMenu->inputEdit;
        click(edit, edit->rect().center());
        QTRY_VERIFY(edit->hasFocus());
        keys(QStringLiteral("keydown"), {QStringLiteral("Shift_L"), QStringLiteral("Alt_L")});
        keys(QStringLiteral("keyup"), {QStringLiteral("Alt_L"), QStringLiteral("Shift_L")});
        QTRY_COMPARE(edit->text(), QStringLiteral("LShift+LAlt"));
        QTest::mouseClick(keyMenu->saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(3).is(0, 225, 226, 0));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 225, 226, 0), 5000);

        click(edit, edit->rect().center());
        QTRY_COMPARE(edit->text(), QString());
        keys(QStringLiteral("key"), {QStringLiteral("Super_L")});
        QTRY_COMPARE(edit->text(), QStringLiteral("LWin"));
        QTest::mouseClick(keyMenu->saveBtn, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 227, 0, 0), 5000);
        // xdotool holds Super_L (the first Mod4 key) around Super_R: the right key comes last.
        click(edit, edit->rect().center());
        QTRY_COMPARE(edit->text(), QString());
        keys(QStringLiteral("key"), {QStringLiteral("Super_R")});
        QTRY_VERIFY(edit->text().endsWith(QLatin1String("RWin")));
        QTest::mouseClick(keyMenu->saveBtn, Qt::LeftButton);
        const KeyFunction &k = md->keyMatrix.at(3);
        QVERIFY(k.param1 == 231 || k.param2 == 231);
        QCOMPARE(k.label, edit->text());
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, k.param1, k.param2, k.param3), 5000);

        // The X selection is not pasted into the capture field.
        QApplication::clipboard()->setText(QStringLiteral("hello"), QClipboard::Selection);
        click(edit, edit->rect().center());
        click(edit, edit->rect().center(), 2);
        QTest::qWait(300);
        QCOMPARE(edit->text(), QString());
        QTest::mouseClick(keyMenu->saveBtn, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 0, 0, 0), 5000);
        QCOMPARE(md->keyMatrix.at(3).label, md->languageText(11));
        keyMenu->hide();
    }

    // The macro insert field under X: Super and the middle button, never the selection.
    void insertFieldUnderX()
    {
        QVERIFY(activate(macros));
        InputEdit *edit = macros->insertLineEdit;
        click(edit, edit->rect().center());
        QTRY_VERIFY(edit->hasFocus());
        keys(QStringLiteral("key"), {QStringLiteral("Super_R")});
        QTRY_COMPARE(edit->text(), QStringLiteral("RWin"));
        QApplication::clipboard()->setText(QStringLiteral("hello"), QClipboard::Selection);
        click(edit, edit->rect().center(), 2);
        QTRY_COMPARE(edit->text(), QStringLiteral("MS-M"));
        QTest::qWait(200);
        QCOMPARE(edit->text(), QStringLiteral("MS-M"));
    }

    // Recording with real key events: modifiers by their physical key, a held key once, and
    // Esc held for a second stops without being kept. The mouse gets what the list shows.
    void recordingUnderX()
    {
        QVERIFY(activate(macros));
        md->keyMatrix[2] = KeyFunction{2, 0, 1, 2, QStringLiteral("rec")};
        md->sendAllKeys();
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(2, 10, 0, 1, 2), 5000);
        macros->recordDelaySW->setChecked(false);
        macros->defaultDelay->setText(QStringLiteral("10"));
        click(macros->recordBtn, macros->recordBtn->rect().center());
        QTRY_VERIFY(macros->recording);
        QTRY_VERIFY(macros->recordBtn->hasFocus());

        keys(QStringLiteral("keydown"), {QStringLiteral("Shift_L"), QStringLiteral("Alt_L")});
        keys(QStringLiteral("keyup"), {QStringLiteral("Alt_L"), QStringLiteral("Shift_L")});
        QTRY_COMPARE(macros->actionModel->rowCount(), 7);
        keys(QStringLiteral("keydown"), {QStringLiteral("k")});
        QTest::qWait(2000);
        keys(QStringLiteral("keyup"), {QStringLiteral("k")});
        QTest::qWait(300);
        QCOMPARE(rows(), (QStringList{"LShift", "10", "LAlt", "10", "LAlt", "10", "LShift", "10", "K", "10", "K"}));

        keys(QStringLiteral("keydown"), {QStringLiteral("Escape")});
        QTest::qWait(MacroWindow::stopHoldMs / 2);
        QVERIFY(macros->recording);
        QTRY_VERIFY_WITH_TIMEOUT(!macros->recording, MacroWindow::stopHoldMs * 2);
        keys(QStringLiteral("keyup"), {QStringLiteral("Escape")});
        QTest::qWait(200);
        QCOMPARE(macros->actionModel->rowCount(), 11);
        QCOMPARE(MacroData::instance()->macroActions().at(0),
                 QStringLiteral("1@#LShift_-1@#10_-2@#LAlt_-1@#10_-2@#LAlt_-0@#10_-2@#LShift_-0@#10_-2"
                                "@#K_-1@#10_-2@#K_-0"));
        // One record per press or release: pause before it (release flagged 0x80), key code.
        const unsigned char expected[] = {0, 1, 1, 225, 10, 226, 0x8a, 226, 0x8a, 225, 10, 14, 0x8a, 14, 0};
        const auto onWire = [&] {
            const vmouse_state s = rig.state();
            return memcmp(s.macros[2], expected, sizeof expected) == 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(onWire(), 5000);
    }

    // A real double click on a slider's groove ends in one value on card, slider, profile and
    // mouse.
    void sliderDoubleClickUnderX()
    {
        QVERIFY(activate(dpi));
        DpiBtn *card = dpi->cards.at(1);
        click(card, QPoint(10, 10));
        QTRY_COMPARE(dpi->currentLevel, 1);
        const int before = card->xDpi();
        click(dpi->xSlider, QPoint(dpi->xSlider->width() - 6, dpi->xSlider->height() / 2), 1, 2);
        QTest::qWait(400);
        QVERIFY(card->xDpi() != before);
        QCOMPARE(dpi->xSlider->value(), card->xDpi());
        QCOMPARE(md->xDpiList.at(1).toInt(), card->xDpi());
        const auto sent = [this] {
            const vmouse_state s = rig.state();
            return (s.dpiX[1] + 1) * ((s.xHighMask & 2) ? 100 : 50);
        };
        QTRY_COMPARE_WITH_TIMEOUT(sent(), card->xDpi(), 5000);
        QCOMPARE(rig.state().errors, 0u);
    }
};

QTEST_MAIN(TestRealInput)
#include "tst_realinput.moc"
