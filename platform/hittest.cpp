#include "platform/hittest.h"

HitTest::Region HitTest::combine(bool left, bool right, bool top, bool bottom)
{
    if (top && left)
        return TopLeft;
    if (top && right)
        return TopRight;
    if (bottom && left)
        return BottomLeft;
    if (bottom && right)
        return BottomRight;
    if (left)
        return Left;
    if (right)
        return Right;
    if (top)
        return Top;
    if (bottom)
        return Bottom;
    return Inside;
}

HitTest::Region HitTest::region(QPoint pos, QSize size)
{
    // W and H are the last pixel column and row. The left and top bands include pixel 0
    // (otherwise the outermost pixel would move the window instead of resizing it).
    const int w = size.width() - 1;
    const int h = size.height() - 1;
    const int x = pos.x();
    const int y = pos.y();
    if (x < 0 || y < 0 || x > w || y > h)
        return Inside;
    // A window narrower than both bands: the left and top bands win.
    const bool left = x <= 7;
    const bool right = !left && x >= w - 6;
    const bool top = y <= 7;
    const bool bottom = !top && y >= h - 6;
    return combine(left, right, top, bottom);
}

HitTest::Region HitTest::bandRegion(QPoint pos, QSize size)
{
    const int x = pos.x();
    const int y = pos.y();
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height())
        return Inside;
    const bool left = x < 2;
    const bool right = !left && x >= size.width() - 2;
    const bool top = y < 2;
    const bool bottom = !top && y >= size.height() - 2;
    return combine(left, right, top, bottom);
}

Qt::CursorShape HitTest::cursorFor(Region region)
{
    switch (region) {
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    case Top:
    case Bottom:
        return Qt::SizeVerCursor;
    case TopLeft:
    case BottomRight:
        return Qt::SizeFDiagCursor;
    case TopRight:
    case BottomLeft:
        return Qt::SizeBDiagCursor;
    case Inside:
        break;
    }
    return Qt::ArrowCursor;
}

Qt::Edges HitTest::edgesFor(Region region)
{
    switch (region) {
    case Left:
        return Qt::LeftEdge;
    case Right:
        return Qt::RightEdge;
    case Top:
        return Qt::TopEdge;
    case Bottom:
        return Qt::BottomEdge;
    case TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case Inside:
        break;
    }
    return {};
}
