#pragma once

#include <QPoint>
#include <QSize>
#include <Qt>

// Where a point lies on the frameless main window: one of the eight edges and corners, or
// Inside (the caption: pressing there moves the window). The numbers are the window's
// resizeRegion values.
class HitTest
{
public:
    enum Region {
        Left = 0,
        Right = 1,
        Top = 2,
        Bottom = 3,
        TopLeft = 4,
        TopRight = 5,
        BottomLeft = 6,
        BottomRight = 7,
        Inside = 8,
    };

    // Native hit-test answer (the non-client test of the window system): 8-pixel edge bands,
    // corners where two bands cross. Whether a child widget lies under the point is the
    // caller's business.
    static Region region(QPoint pos, QSize size);

    // Mouse-move rule: the edge or corner whose 2-pixel band holds the point, else Inside.
    static Region bandRegion(QPoint pos, QSize size);

    static Qt::CursorShape cursorFor(Region region);
    static Qt::Edges edgesFor(Region region);

private:
    static Region combine(bool left, bool right, bool top, bool bottom);
};
