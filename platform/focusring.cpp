#include "platform/focusring.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QWidget>

namespace {
constexpr int Margin = 2;

class Ring : public QWidget
{
public:
    explicit Ring(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(QColor(255, 80, 0), 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};
} // namespace

FocusRing::FocusRing(QObject *parent)
    : QObject(parent)
{
    // The focus reason only comes with the focus event itself.
    qApp->installEventFilter(this);
}

QWidget *FocusRing::ringOf(const QWidget *window) const
{
    return m_rings.value(window).data();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched->isWidgetType()) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            // A window coming back keeps the ring its focus widget had.
            if (reason != Qt::ActiveWindowFocusReason || watched != m_target)
                m_fromKeyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                                 || reason == Qt::ShortcutFocusReason;
            focusChanged(nullptr, static_cast<QWidget *>(watched));
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_target)
            place();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void FocusRing::focusChanged(QWidget *, QWidget *now)
{
    for (const QPointer<QWidget> &ring : std::as_const(m_rings)) {
        if (ring)
            ring->hide();
    }
    m_target = now;
    place();
}

void FocusRing::place()
{
    QWidget *target = m_target;
    if (!target || target->objectName() == QLatin1String("focusRing"))
        return;
    QWidget *window = target->window();
    if (!m_fromKeyboard || !target->isVisible() || target == window) {
        if (QWidget *ring = m_rings.value(window))
            ring->hide();
        return;
    }
    QPointer<QWidget> &ring = m_rings[window];
    if (!ring)
        ring = new Ring(window);
    const QRect area(target->mapTo(window, QPoint(0, 0)), target->size());
    ring->setGeometry(area.adjusted(-Margin, -Margin, Margin, Margin));
    ring->show();
    ring->raise();
}
