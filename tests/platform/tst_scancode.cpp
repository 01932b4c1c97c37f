#include "platform/scancode.h"

#include <QKeyEvent>
#include <QSet>
#include <QtTest>

// On X11 and Wayland, key events carry the xkb keycode: the evdev code plus 8.
class TestScanCode : public QObject
{
    Q_OBJECT

private slots:
    void fromXkbKeycode_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("xkb");
        QTest::addColumn<int>("scan");
        QTest::newRow("left ctrl") << int(Qt::Key_Control) << quint32(37) << 29;
        QTest::newRow("right ctrl") << int(Qt::Key_Control) << quint32(105) << 285;
        QTest::newRow("left shift") << int(Qt::Key_Shift) << quint32(50) << 42;
        QTest::newRow("right shift") << int(Qt::Key_Shift) << quint32(62) << 54;
        QTest::newRow("left alt") << int(Qt::Key_Alt) << quint32(64) << 56;
        QTest::newRow("right alt") << int(Qt::Key_Alt) << quint32(108) << 312;
        QTest::newRow("left meta") << int(Qt::Key_Meta) << quint32(133) << 0x15B;
        QTest::newRow("escape") << int(Qt::Key_Escape) << quint32(9) << 1;
        QTest::newRow("A") << int(Qt::Key_A) << quint32(38) << 0x1E;
        QTest::newRow("main-row period") << int(Qt::Key_Period) << quint32(60) << 0x34;
        QTest::newRow("main-row slash") << int(Qt::Key_Slash) << quint32(61) << 0x35;
        QTest::newRow("keypad period") << int(Qt::Key_Period) << quint32(91) << 0x53;
        QTest::newRow("keypad slash") << int(Qt::Key_Slash) << quint32(106) << 0x135;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << quint32(104) << 0x11C;
        QTest::newRow("main enter") << int(Qt::Key_Return) << quint32(36) << 0x1C;
        QTest::newRow("keypad 7") << int(Qt::Key_7) << quint32(79) << 0x47;
        QTest::newRow("home") << int(Qt::Key_Home) << quint32(110) << 0x147;
        QTest::newRow("up") << int(Qt::Key_Up) << quint32(111) << 0x148;
        QTest::newRow("delete") << int(Qt::Key_Delete) << quint32(119) << 0x153;
        QTest::newRow("num lock") << int(Qt::Key_NumLock) << quint32(77) << 0x145;
        QTest::newRow("pause") << int(Qt::Key_Pause) << quint32(127) << 0x45;
        QTest::newRow("F12") << int(Qt::Key_F12) << quint32(96) << 0x58;
        QTest::newRow("menu") << int(Qt::Key_Menu) << quint32(135) << 0x15D;
        QTest::newRow("unknown keycode") << int(Qt::Key_unknown) << quint32(400) << 0;
        QTest::newRow("no scan code") << int(Qt::Key_Control) << quint32(0) << 0;
    }
    void fromXkbKeycode()
    {
#ifndef Q_OS_LINUX
        QSKIP("xkb keycodes are a Linux matter");
#endif
        QFETCH(int, key);
        QFETCH(quint32, xkb);
        QFETCH(int, scan);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, xkb, 0, 0);
        QCOMPARE(ScanCode::fromKeyEvent(&event), scan);
    }

    // Synthetic events (offscreen, input methods) may carry only the keysym.
    void modifiersFromKeysymWithoutScanCode()
    {
#ifndef Q_OS_LINUX
        QSKIP("keysyms are a Linux matter");
#endif
        const QKeyEvent rctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 0, 0xffe4, 0);
        QCOMPARE(ScanCode::fromKeyEvent(&rctrl), int(ScanCode::RightCtrl));
        const QKeyEvent lshift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 0, 0xffe1, 0);
        QCOMPARE(ScanCode::fromKeyEvent(&lshift), int(ScanCode::LeftShift));
        const QKeyEvent ralt(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier, 0, 0xffea, 0);
        QCOMPARE(ScanCode::fromKeyEvent(&ralt), int(ScanCode::RightAlt));
        // A real scan code wins over the keysym.
        const QKeyEvent both(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 37, 0xffe4, 0);
        QCOMPARE(ScanCode::fromKeyEvent(&both), int(ScanCode::LeftCtrl));
        QCOMPARE(ScanCode::fromKeyEvent(nullptr), 0);
    }

    // Events built with toNative() read back as the same scan code, and no two scan codes
    // share a native code.
    void toNativeRoundTrips()
    {
        QSet<quint32> seen;
        QList<int> codes;
        for (int c = 1; c <= 0x58; ++c)
            codes << c;
        codes << 0x11C << 0x11D << 0x135 << 0x137 << 0x138 << 0x145 << 0x147 << 0x148 << 0x149
              << 0x14B << 0x14D << 0x14F << 0x150 << 0x151 << 0x152 << 0x153 << 0x15B << 0x15C
              << 0x15D << 0x64 << 0x76;
        for (int code : std::as_const(codes)) {
            if (code == 0x54 || code == 0x55)
                continue; // no key sends these
            const quint32 native = ScanCode::toNative(code);
            QVERIFY2(native != 0, qPrintable(QString::number(code, 16)));
            QVERIFY2(!seen.contains(native), qPrintable(QString::number(code, 16)));
            seen.insert(native);
            const QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, native, 0, 0);
            QCOMPARE(ScanCode::fromKeyEvent(&event), code);
        }
        QCOMPARE(ScanCode::toNative(0), 0u);
        QCOMPARE(ScanCode::toNative(-5), 0u);
        QCOMPARE(ScanCode::toNative(0x1FF), 0u);
    }
};

QTEST_GUILESS_MAIN(TestScanCode)
#include "tst_scancode.moc"
