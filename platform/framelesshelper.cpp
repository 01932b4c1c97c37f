#include "platform/framelesshelper.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

FramelessHelper::FramelessHelper(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_window->setMouseTracking(true);
    m_window->installEventFilter(this);
}

bool FramelessHelper::isFixed() const
{
    return m_window->isMaximized() || m_window->isFullScreen();
}

bool FramelessHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::MouseMove:
            onMove(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseButtonPress:
            onPress(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseButtonRelease:
            onRelease(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::WindowStateChange:
            if (isFixed()) {
                m_pressed = false;
                m_region = HitTest::Inside;
                m_window->setCursor(Qt::ArrowCursor);
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FramelessHelper::onMove(QMouseEvent *event)
{
    if (m_pressed) {
        if (!(event->buttons() & Qt::LeftButton)) {
            // The release went elsewhere (a popup, another window): stop following.
            m_pressed = false;
        } else if (m_region == HitTest::Inside) {
            m_window->move(event->globalPosition().toPoint() - m_dragOffset);
            return;
        } else {
            const QPoint delta = event->globalPosition().toPoint() - m_pressGlobal;
            m_window->setGeometry(resizedGeometry(m_startGeometry, m_region, delta,
                                                  m_window->minimumSize(),
                                                  m_window->maximumSize()));
            return;
        }
    }
    if (event->buttons() != Qt::NoButton)
        return;
    m_region = isFixed() ? HitTest::Inside
                         : HitTest::bandRegion(event->position().toPoint(), m_window->size());
    m_window->setCursor(HitTest::cursorFor(m_region));
}

void FramelessHelper::onPress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || isFixed())
        return;
    m_region = HitTest::bandRegion(event->position().toPoint(), m_window->size());
    QWindow *handle = m_window->windowHandle();
    const bool system = handle
        && (m_region == HitTest::Inside ? handle->startSystemMove()
                                        : handle->startSystemResize(HitTest::edgesFor(m_region)));
    if (system) {
        m_pressed = false;
        return;
    }
    m_pressed = true;
    m_pressGlobal = event->globalPosition().toPoint();
    m_startGeometry = m_window->geometry();
    m_dragOffset = m_pressGlobal - m_window->frameGeometry().topLeft();
}

void FramelessHelper::onRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    m_window->setCursor(Qt::ArrowCursor);
}

QRect FramelessHelper::resizedGeometry(const QRect &start, HitTest::Region region, QPoint delta,
                                       QSize minimum, QSize maximum)
{
    const int minW = qMax(1, minimum.width());
    const int minH = qMax(1, minimum.height());
    const int maxW = qMax(minW, maximum.width());
    const int maxH = qMax(minH, maximum.height());
    const Qt::Edges edges = HitTest::edgesFor(region);

    int left = start.left();
    int top = start.top();
    int width = start.width();
    int height = start.height();
    if (edges & Qt::LeftEdge) {
        width = qBound(minW, start.width() - delta.x(), maxW);
        left = start.left() + start.width() - width;
    } else if (edges & Qt::RightEdge) {
        width = qBound(minW, start.width() + delta.x(), maxW);
    }
    if (edges & Qt::TopEdge) {
        height = qBound(minH, start.height() - delta.y(), maxH);
        top = start.top() + start.height() - height;
    } else if (edges & Qt::BottomEdge) {
        height = qBound(minH, start.height() + delta.y(), maxH);
    }
    return QRect(left, top, width, height);
}
