#include "app/hiddenwindowrelease.h"

#include <QBackingStore>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

// A window closed to the tray gives back its backing store after a while, and shows again
// exactly as before.
class TestHiddenWindowRelease : public QObject
{
    Q_OBJECT
private slots:
    void releasedWhileHiddenAndRepaintedOnShow()
    {
        QWidget window;
        window.setStyleSheet(QStringLiteral("QWidget { background: rgb(43, 43, 43); color: white; }"));
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("DPI 1600"), &window));
        window.resize(400, 300);
        const int delay = 100;
        auto *release = new HiddenWindowRelease(&window, delay);
        QSignalSpy released(release, &HiddenWindowRelease::released);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.backingStore()->size(), window.size());
        const QImage before = shot(window);

        // Shown again before the delay: nothing is given back.
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(3 * delay);
        QCOMPARE(released.size(), 0);
        QCOMPARE(window.backingStore()->size(), window.size());

        // Minimised is not hidden: nothing is given back either.
        window.showMinimized();
        QTest::qWait(3 * delay);
        QCOMPARE(released.size(), 0);
        window.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.hide();
        QTRY_COMPARE(released.size(), 1);
        QVERIFY(window.backingStore()->size().isEmpty());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.backingStore()->size(), window.size());
        QTRY_COMPARE(shot(window), before);
    }

private:
    // What the window system shows of the window: offscreen, the backing store's content.
    static QImage shot(QWidget &window)
    {
        QCoreApplication::processEvents();
        return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
};

QTEST_MAIN(TestHiddenWindowRelease)
#include "tst_hiddenwindowrelease.moc"
