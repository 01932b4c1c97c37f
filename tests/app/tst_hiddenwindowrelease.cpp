#include "app/hiddenwindowrelease.h"
#include "app/windowbackground.h"

#include <QBackingStore>
#include <QImage>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
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

    // The picture behind the pages looks exactly like the style sheet's border-image it
    // replaces, is given back with the backing store, and comes back on show.
    void backgroundGivenBackAndDrawnAgain()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Not the frame's size, so that it is stretched (and smoothed) both ways.
        QImage picture(173, 91, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb((x * 37) % 256, (y * 53) % 256, ((x ^ y) * 11) % 256));
        const QString path = dir.filePath(QStringLiteral("background.png"));
        QVERIFY(picture.save(path));

        QWidget reference;
        reference.setStyleSheet(QStringLiteral("QWidget { background: rgb(43, 43, 43); }"));
        auto *sheetFrame = new QFrame(&reference);
        sheetFrame->setObjectName(QStringLiteral("frame"));
        sheetFrame->setStyleSheet(QStringLiteral("QFrame#frame { border-image: url(%1); }").arg(path));
        sheetFrame->setGeometry(10, 20, 400, 250);
        reference.resize(420, 280);
        reference.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        const QImage expected = shot(reference);
        reference.hide();

        QWidget window;
        window.setStyleSheet(QStringLiteral("QWidget { background: rgb(43, 43, 43); }"));
        auto *frame = new QFrame(&window);
        frame->setGeometry(10, 20, 400, 250);
        auto *background = new WindowBackground(frame, path);
        window.resize(420, 280);
        auto *release = new HiddenWindowRelease(&window, 100);
        connect(release, &HiddenWindowRelease::released, background, &WindowBackground::release);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(shot(window), expected);

        window.hide();
        QTRY_VERIFY(!background->holdsPicture());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(shot(window), expected);
        QVERIFY(background->holdsPicture());
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
