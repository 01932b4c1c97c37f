#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

// While a top-level window stays hidden (closed to the tray), gives back its backing store, the
// window-sized picture it is painted into; the next show paints it afresh into a new one.
class HiddenWindowRelease : public QObject
{
    Q_OBJECT
public:
    static constexpr int DelayMs = 30000;

    explicit HiddenWindowRelease(QWidget *window, int delayMs = DelayMs);

signals:
    void released();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void release();

    QWidget *const window;
    QTimer timer;
};
