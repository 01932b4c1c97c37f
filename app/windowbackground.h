#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <future>

class QWidget;

// The picture behind the pages, drawn as a stretched border image. It is decoded on another
// thread while the window is being built, so the first paint does not wait for it, and it can
// be given back while the window stays hidden: the next paint decodes it again.
class WindowBackground : public QObject
{
    Q_OBJECT
public:
    // The decoding thread's future waits for it when dropped, so nothing outlives the window.
    WindowBackground(QWidget *frame, const QString &picture);

    bool holdsPicture() const { return !m_pixmap.isNull() || m_decoding.valid(); }

public slots:
    void release();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const QPixmap &pixmap();

    QWidget *const m_frame;
    const QString m_picture;
    std::future<QImage> m_decoding;
    QPixmap m_pixmap;
};
