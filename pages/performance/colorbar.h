#pragma once

#include <QFrame>
#include <QImage>

class QLabel;

// The colour spectrum: a click (or Enter after moving the marker with the arrow keys) picks
// the colour under the marker.
class ColorBar : public QFrame
{
    Q_OBJECT
public:
    explicit ColorBar(QWidget *parent = nullptr);

    QImage image;
    QLabel *pin = nullptr;

    // The point the marker is centred on.
    QPoint pinCentre() const;
    // Moves the marker there and emits the colour of that pixel.
    void pickAt(const QPoint &point);

signals:
    void currentColor(uchar r, uchar g, uchar b, uchar a);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void movePin(const QPoint &centre);
    void updateAccessibleText();

    bool m_keyMoved = false;
};
