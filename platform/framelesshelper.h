#pragma once

#include "platform/hittest.h"

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;
class QMouseEvent;

// Moving and resizing a frameless top-level window with the mouse. The cursor follows the
// 2-pixel edge bands; a left press on an edge or corner hands the resize to the window
// manager, a press anywhere else that reaches the window hands it the move (both work on
// X11 and Wayland, where setting the geometry by hand does not move a window). Where the
// window system cannot do that (offscreen, some X11 window managers), the helper moves and
// resizes the window itself, never below its minimum size. Nothing happens while the window
// is maximised or full screen. Mouse events are observed, never consumed.
class FramelessHelper : public QObject
{
    Q_OBJECT
public:
    explicit FramelessHelper(QWidget *window);

    HitTest::Region resizeRegion() const { return m_region; }
    // True while a move or resize runs through the helper's own fallback.
    bool isPressed() const { return m_pressed; }

    // The geometry after dragging the given edges of `start` by `delta`, keeping the opposite
    // edges where they are and the size within [minimum, maximum].
    static QRect resizedGeometry(const QRect &start, HitTest::Region region, QPoint delta,
                                 QSize minimum, QSize maximum);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isFixed() const;
    void onMove(QMouseEvent *event);
    void onPress(QMouseEvent *event);
    void onRelease(QMouseEvent *event);

    QWidget *m_window;
    bool m_pressed = false;
    QPoint m_dragOffset;
    QPoint m_pressGlobal;
    QRect m_startGeometry;
    HitTest::Region m_region = HitTest::Inside;
};
