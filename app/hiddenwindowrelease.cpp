#include "app/hiddenwindowrelease.h"

#include <QBackingStore>
#include <QEvent>
#include <QWidget>

HiddenWindowRelease::HiddenWindowRelease(QWidget *window, int delayMs)
    : QObject(window), window(window)
{
    timer.setSingleShot(true);
    timer.setInterval(delayMs);
    connect(&timer, &QTimer::timeout, this, &HiddenWindowRelease::release);
    window->installEventFilter(this);
}

bool HiddenWindowRelease::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window) {
        if (event->type() == QEvent::Hide && window->isHidden())
            timer.start(); // hidden, not minimised
        else if (event->type() == QEvent::Show)
            timer.stop();
    }
    return false;
}

void HiddenWindowRelease::release()
{
    if (!window->isHidden())
        return;
    // The repaint manager sizes the store to the window again before the first paint on show.
    if (QBackingStore *store = window->backingStore(); store && !store->size().isEmpty()) {
        store->resize(QSize());
        emit released();
    }
}
