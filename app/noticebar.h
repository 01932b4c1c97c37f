#pragma once

#include <QLabel>
#include <QTimer>

// A short line at the bottom of the main window that goes away by itself; never modal. In a
// row of its parent's layout it takes its own space; otherwise it floats over the parent.
class NoticeBar : public QLabel
{
    Q_OBJECT
public:
    explicit NoticeBar(QWidget *parent = nullptr);

    void showNotice(const QString &text);
    // Keeps a floating bar at the bottom centre of its parent.
    void place();

    QTimer hideTimer;

signals:
    void shown(QString text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
