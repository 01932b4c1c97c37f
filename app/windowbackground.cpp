#include "app/windowbackground.h"

#include "resources/pictures.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <qdrawutil.h>

WindowBackground::WindowBackground(QWidget *frame, const QString &picture)
    : QObject(frame), m_frame(frame), m_picture(picture)
{
    m_decoding = Pictures::decodeLater(picture);
    frame->installEventFilter(this);
}

void WindowBackground::release()
{
    m_decoding = {}; // a decoding still running is waited for
    m_pixmap = QPixmap();
}

const QPixmap &WindowBackground::pixmap()
{
    if (m_pixmap.isNull()) {
        // Started with the window, the decoding is long done by its first paint.
        QImage image = m_decoding.valid() ? m_decoding.get() : QImage(m_picture);
        m_pixmap = QPixmap::fromImage(std::move(image));
    }
    return m_pixmap;
}

bool WindowBackground::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame && event->type() == QEvent::Paint) {
        // Drawn as a style sheet draws a border-image without borders: stretched, smoothly.
        QPainter painter(m_frame);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QPixmap &picture = pixmap();
        qDrawBorderPixmap(&painter, m_frame->rect(), QMargins(), picture, picture.rect(), QMargins(),
                          QTileRules(Qt::StretchTile, Qt::StretchTile));
    }
    return false;
}
