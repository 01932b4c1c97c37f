#include "platform/windows/nchittest.h"

#include "platform/hittest.h"

#include <QWidget>

#include <windows.h>
#include <windowsx.h>

bool NcHitTest::handle(QWidget *window, void *message, qintptr *result)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (!window || msg->message != WM_NCHITTEST)
        return false;
    RECT frame;
    if (!GetWindowRect(msg->hwnd, &frame))
        return false;
    // Physical pixels from the message; the widget works in device-independent ones.
    const qreal ratio = window->devicePixelRatioF();
    const QPoint physical(GET_X_LPARAM(msg->lParam) - frame.left, GET_Y_LPARAM(msg->lParam) - frame.top);
    const QPoint pos = (QPointF(physical) / ratio).toPoint();
    if (window->childAt(pos))
        return false;
    HitTest::Region region = HitTest::region(pos, window->size());
    if (window->isMaximized() || window->isFullScreen())
        region = HitTest::Inside;
    switch (region) {
    case HitTest::Left: *result = HTLEFT; break;
    case HitTest::Right: *result = HTRIGHT; break;
    case HitTest::Top: *result = HTTOP; break;
    case HitTest::Bottom: *result = HTBOTTOM; break;
    case HitTest::TopLeft: *result = HTTOPLEFT; break;
    case HitTest::TopRight: *result = HTTOPRIGHT; break;
    case HitTest::BottomLeft: *result = HTBOTTOMLEFT; break;
    case HitTest::BottomRight: *result = HTBOTTOMRIGHT; break;
    case HitTest::Inside: *result = HTCAPTION; break;
    }
    return true;
}
