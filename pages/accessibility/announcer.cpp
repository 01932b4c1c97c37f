#include "pages/accessibility/announcer.h"

#include <QEvent>
#include <QTimer>

#include <utility>

Announcer::Announcer(QWidget *window) : QLabel(window)
{
    setObjectName(QStringLiteral("announcer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Out of sight and out of any layout; a size of zero would count as not shown.
    setGeometry(-4, -4, 1, 1);
    hide();
    window->installEventFilter(this);
}

Announcer *Announcer::of(QWidget *inWindow)
{
    if (!inWindow)
        return nullptr;
    QWidget *window = inWindow->window();
    auto *found = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    return found ? found : new Announcer(window);
}

void Announcer::say(QWidget *inWindow, const QString &text)
{
    Announcer *a = of(inWindow);
    if (!a || text.isEmpty() || !a->window()->isVisible())
        return;
    if (!a->m_pending.isEmpty() && a->m_pending != text)
        a->m_pending += QLatin1Char(' ');
    if (a->m_pending != text)
        a->m_pending += text;
    // A screen reader reads the window and its focus as the window comes back, over anything
    // said before: an inactive window waits for that.
    if (a->window()->isActiveWindow() && !a->m_scheduled) {
        a->m_scheduled = true;
        QTimer::singleShot(0, a, &Announcer::sayPending);
    }
}

bool Announcer::pending(QWidget *inWindow)
{
    const QWidget *window = inWindow ? inWindow->window() : nullptr;
    const auto *a = window ? window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return a && !a->m_pending.isEmpty();
}

void Announcer::sayPending()
{
    m_scheduled = false;
    if (m_pending.isEmpty() || !window()->isActiveWindow())
        return;
    // Hidden and shown again, the same words are news again.
    hide();
    setText(std::exchange(m_pending, QString()));
    show();
}

bool Announcer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::ActivationChange && window()->isActiveWindow()
        && !m_pending.isEmpty() && !m_scheduled) {
        // After the focus the window gives back on activation.
        m_scheduled = true;
        QTimer::singleShot(0, this, &Announcer::sayPending);
    }
    return QLabel::eventFilter(watched, event);
}
