#include "platform/framelesshelper.h"
#include "platform/hittest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QtTest>

Q_DECLARE_METATYPE(HitTest::Region)

class TestFrameless : public QObject
{
    Q_OBJECT

private:
    // Sends a mouse event to the window as the window system would, with its global position.
    static void send(QWidget *w, QEvent::Type type, QPoint local, Qt::MouseButton button,
                     Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(local), QPointF(local), QPointF(w->mapToGlobal(local)),
                      button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

private slots:
    void nativeRegion_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<HitTest::Region>("region");
        // 100 x 80: the last column is 99, the last row 79.
        QTest::newRow("middle") << QPoint(50, 40) << HitTest::Inside;
        QTest::newRow("outermost left pixel") << QPoint(0, 40) << HitTest::Left;
        QTest::newRow("left band end") << QPoint(7, 40) << HitTest::Left;
        QTest::newRow("past left band") << QPoint(8, 40) << HitTest::Inside;
        QTest::newRow("right band start") << QPoint(93, 40) << HitTest::Right;
        QTest::newRow("before right band") << QPoint(92, 40) << HitTest::Inside;
        QTest::newRow("top") << QPoint(50, 0) << HitTest::Top;
        QTest::newRow("bottom band start") << QPoint(50, 73) << HitTest::Bottom;
        QTest::newRow("before bottom band") << QPoint(50, 72) << HitTest::Inside;
        QTest::newRow("top-left corner") << QPoint(2, 3) << HitTest::TopLeft;
        QTest::newRow("top-right corner") << QPoint(99, 7) << HitTest::TopRight;
        QTest::newRow("bottom-left corner") << QPoint(7, 73) << HitTest::BottomLeft;
        QTest::newRow("bottom-right corner") << QPoint(99, 79) << HitTest::BottomRight;
        // No resize grip in the middle of the title bar.
        QTest::newRow("inner square is caption") << QPoint(20, 20) << HitTest::Inside;
        QTest::newRow("inner square right is caption") << QPoint(80, 20) << HitTest::Inside;
        QTest::newRow("outside") << QPoint(-1, 40) << HitTest::Inside;
        QTest::newRow("past the end") << QPoint(100, 40) << HitTest::Inside;
    }
    void nativeRegion()
    {
        QFETCH(QPoint, pos);
        QFETCH(HitTest::Region, region);
        QCOMPARE(HitTest::region(pos, QSize(100, 80)), region);
    }

    void nativeRegionTinyWindow()
    {
        // Bands overlap: left and top win, and nothing reads out of range.
        QCOMPARE(HitTest::region(QPoint(5, 5), QSize(10, 10)), HitTest::TopLeft);
        QCOMPARE(HitTest::region(QPoint(9, 9), QSize(10, 10)), HitTest::BottomRight);
        QCOMPARE(HitTest::region(QPoint(0, 0), QSize(0, 0)), HitTest::Inside);
    }

    void band_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<HitTest::Region>("region");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("edges");
        const int none = 0;
        QTest::newRow("inside") << QPoint(50, 40) << HitTest::Inside << int(Qt::ArrowCursor) << none;
        QTest::newRow("left") << QPoint(1, 40) << HitTest::Left << int(Qt::SizeHorCursor) << int(Qt::LeftEdge);
        QTest::newRow("past left band") << QPoint(2, 40) << HitTest::Inside << int(Qt::ArrowCursor) << none;
        QTest::newRow("right") << QPoint(98, 40) << HitTest::Right << int(Qt::SizeHorCursor) << int(Qt::RightEdge);
        QTest::newRow("before right band") << QPoint(97, 40) << HitTest::Inside << int(Qt::ArrowCursor) << none;
        QTest::newRow("top") << QPoint(50, 0) << HitTest::Top << int(Qt::SizeVerCursor) << int(Qt::TopEdge);
        QTest::newRow("bottom") << QPoint(50, 78) << HitTest::Bottom << int(Qt::SizeVerCursor) << int(Qt::BottomEdge);
        QTest::newRow("before bottom band") << QPoint(50, 77) << HitTest::Inside << int(Qt::ArrowCursor) << none;
        QTest::newRow("top-left") << QPoint(0, 1) << HitTest::TopLeft << int(Qt::SizeFDiagCursor)
                                  << int(Qt::TopEdge | Qt::LeftEdge);
        QTest::newRow("top-right") << QPoint(99, 0) << HitTest::TopRight << int(Qt::SizeBDiagCursor)
                                   << int(Qt::TopEdge | Qt::RightEdge);
        QTest::newRow("bottom-left") << QPoint(1, 79) << HitTest::BottomLeft << int(Qt::SizeBDiagCursor)
                                     << int(Qt::BottomEdge | Qt::LeftEdge);
        QTest::newRow("bottom-right") << QPoint(98, 78) << HitTest::BottomRight << int(Qt::SizeFDiagCursor)
                                      << int(Qt::BottomEdge | Qt::RightEdge);
    }
    void band()
    {
        QFETCH(QPoint, pos);
        QFETCH(HitTest::Region, region);
        QFETCH(int, cursor);
        QFETCH(int, edges);
        const HitTest::Region got = HitTest::bandRegion(pos, QSize(100, 80));
        QCOMPARE(got, region);
        QCOMPARE(int(HitTest::cursorFor(got)), cursor);
        QCOMPARE(int(HitTest::edgesFor(got)), edges);
    }

    void resizedGeometryKeepsOppositeEdgeAndLimits()
    {
        const QRect start(100, 100, 300, 200);
        const QSize min(200, 150);
        const QSize max(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // Growing to the bottom right only changes the size.
        QCOMPARE(FramelessHelper::resizedGeometry(start, HitTest::BottomRight, QPoint(50, 30), min, max),
                 QRect(100, 100, 350, 230));
        // Dragging the left edge far right stops at the minimum, right edge fixed at 399.
        const QRect left = FramelessHelper::resizedGeometry(start, HitTest::Left, QPoint(250, 99), min, max);
        QCOMPARE(left, QRect(200, 100, 200, 200));
        QCOMPARE(left.right(), start.right());
        // Top-left corner grows up and left; the bottom-right corner stays.
        const QRect tl = FramelessHelper::resizedGeometry(start, HitTest::TopLeft, QPoint(-20, -10), min, max);
        QCOMPARE(tl, QRect(80, 90, 320, 210));
        QCOMPARE(tl.bottomRight(), start.bottomRight());
        // A maximum size holds too.
        QCOMPARE(FramelessHelper::resizedGeometry(start, HitTest::Right, QPoint(500, 0), min, QSize(420, 400)),
                 QRect(100, 100, 420, 200));
        // Inside never resizes.
        QCOMPARE(FramelessHelper::resizedGeometry(start, HitTest::Inside, QPoint(40, 40), min, max), start);
    }

    void cursorFollowsBands()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        w.setWindowFlag(Qt::FramelessWindowHint);
        w.setGeometry(100, 100, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.hasMouseTracking());

        send(&w, QEvent::MouseMove, QPoint(150, 1), Qt::NoButton, Qt::NoButton);
        QCOMPARE(helper->resizeRegion(), HitTest::Top);
        QCOMPARE(w.cursor().shape(), Qt::SizeVerCursor);
        send(&w, QEvent::MouseMove, QPoint(299, 199), Qt::NoButton, Qt::NoButton);
        QCOMPARE(helper->resizeRegion(), HitTest::BottomRight);
        QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);
        send(&w, QEvent::MouseMove, QPoint(150, 100), Qt::NoButton, Qt::NoButton);
        QCOMPARE(helper->resizeRegion(), HitTest::Inside);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    }

    // Offscreen windows cannot be moved by the window system: the fallback does it.
    void fallbackResizeNeverBelowMinimum()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        w.setWindowFlag(Qt::FramelessWindowHint);
        w.setMinimumSize(200, 150);
        w.setGeometry(100, 100, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint corner(299, 199);
        const QPoint cornerGlobal = w.mapToGlobal(corner);

        send(&w, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(helper->isPressed());
        QCOMPARE(helper->resizeRegion(), HitTest::BottomRight);
        // Positions are local to the window as it was at the press; the helper works in
        // global coordinates, so build them from the press point.
        auto moveTo = [&](QPoint global) {
            const QPoint local = w.mapFromGlobal(global);
            QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(local), QPointF(global),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &e);
        };
        moveTo(cornerGlobal + QPoint(50, 30));
        QCOMPARE(w.size(), QSize(350, 230));
        moveTo(cornerGlobal - QPoint(500, 500));
        QCOMPARE(w.size(), QSize(200, 150));
        QCOMPARE(w.pos(), QPoint(100, 100));
        send(&w, QEvent::MouseButtonRelease, w.mapFromGlobal(cornerGlobal), Qt::LeftButton, Qt::NoButton);
        QVERIFY(!helper->isPressed());
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

        // After the release moves change nothing.
        const QRect before = w.geometry();
        send(&w, QEvent::MouseMove, QPoint(150, 100), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.geometry(), before);
    }

    void fallbackMoveKeepsDragOffset()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        w.setWindowFlag(Qt::FramelessWindowHint);
        w.setGeometry(100, 100, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint start = w.pos();
        const QPoint pressGlobal = w.mapToGlobal(QPoint(150, 100));

        send(&w, QEvent::MouseButtonPress, QPoint(150, 100), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(helper->resizeRegion(), HitTest::Inside);
        const QPoint target = pressGlobal + QPoint(40, 25);
        const QPoint local = w.mapFromGlobal(target);
        QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(local), QPointF(target),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
        QCOMPARE(w.pos(), start + QPoint(40, 25));
        QCOMPARE(w.size(), QSize(300, 200));
    }

    void rightButtonDoesNothing()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        w.setGeometry(100, 100, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        send(&w, QEvent::MouseButtonPress, QPoint(150, 100), Qt::RightButton, Qt::RightButton);
        QVERIFY(!helper->isPressed());
    }

    void nothingWhileMaximised()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        w.setWindowFlag(Qt::FramelessWindowHint);
        w.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.isMaximized());
        const QRect before = w.geometry();
        send(&w, QEvent::MouseMove, QPoint(0, 0), Qt::NoButton, Qt::NoButton);
        QCOMPARE(helper->resizeRegion(), HitTest::Inside);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        send(&w, QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!helper->isPressed());
        send(&w, QEvent::MouseMove, QPoint(60, 60), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.geometry(), before);
    }

    // Presses that a child ignores reach the window and move it, as on the caption.
    void pressOnPlainChildMoves()
    {
        QWidget w;
        auto *helper = new FramelessHelper(&w);
        auto *child = new QWidget(&w);
        child->setGeometry(10, 10, 280, 180);
        w.setGeometry(100, 100, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mousePress(child, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QVERIFY(helper->isPressed());
        QCOMPARE(helper->resizeRegion(), HitTest::Inside);
        QTest::mouseRelease(child, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QVERIFY(!helper->isPressed());
    }
};

QTEST_MAIN(TestFrameless)
#include "tst_frameless.moc"
