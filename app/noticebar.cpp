#include "app/noticebar.h"

#include <QEvent>
#include <QLayout>
#include "pages/accessibility/announcer.h"
#include "resources/stylesheets.h"

namespace {
constexpr int ShowMs = 6000;
constexpr int BottomGap = 24;
} // namespace

NoticeBar::NoticeBar(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("noticeBar"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    StyleSheets::setLook(this, StyleSheets::NoticeBarLook);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    hideTimer.setSingleShot(true);
    hideTimer.setInterval(ShowMs);
    connect(&hideTimer, &QTimer::timeout, this, &QWidget::hide);
    if (parent)
        parent->installEventFilter(this);
}

void NoticeBar::showNotice(const QString &text)
{
    setText(text);
    place();
    show();
    // An alert inside the window is not read by every screen reader; the announcer is.
    Announcer::say(this, text);
    raise();
    hideTimer.start();
    emit shown(text);
}

void NoticeBar::place()
{
    QWidget *host = parentWidget();
    // In a row of the host's layout the layout places it.
    if (!host || (host->layout() && host->layout()->indexOf(this) >= 0))
        return;
    const int width = qMin(host->width() - 2 * BottomGap, 720);
    setFixedWidth(qMax(width, 100));
    adjustSize();
    move((host->width() - this->width()) / 2, host->height() - height() - BottomGap);
}

bool NoticeBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}
