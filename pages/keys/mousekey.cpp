#include "pages/keys/mousekey.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "model/mousedata.h"

MouseKey::MouseKey(int index, int baseWidth, bool rightSide, QWidget *parent)
    : QWidget(parent), index(index), rightSide(rightSide)
{
    setObjectName(QStringLiteral("mouseKey%1").arg(index));
    const int w = baseWidth + 30 * MouseData::instance()->screenClass;
    setFixedSize(w, 36);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, true);
    updateAccessibleText();
}

void MouseKey::setSelected(bool value)
{
    selected = value;
    update();
}

void MouseKey::setText(const QString &value)
{
    text = value;
    updateAccessibleText();
    update();
}

void MouseKey::updateAccessibleText()
{
    // Read as the first-level list reads its rows: key number, then its function.
    const QString number = MouseData::instance()->languageText(119).arg(index + 1);
    setAccessibleName(text.isEmpty() ? number : number + QLatin1String(": ") + text);
}

void MouseKey::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const bool lit = selected || hovered || hasFocus();
    const QColor colour = lit ? QColor(255, 80, 0, 255) : QColor(255, 255, 255, 250);
    p.setPen(colour);
    p.setBrush(colour);

    const int w = width();
    const int d = MouseData::instance()->screenClass == 0 ? 0 : 3;
    // Shapes by inclusive corners (x1,y1)-(x2,y2).
    if (rightSide) {
        p.drawEllipse(QRect(QPoint(w - 5, 26 + d), QPoint(w - 2, 29 + d)));
        p.drawEllipse(QRect(QPoint(0, 23 + d), QPoint(9, 32 + d)));
    } else {
        p.drawEllipse(QRect(QPoint(0, 26 + d), QPoint(3, 29 + d)));
        p.drawEllipse(QRect(QPoint(w - 11, 23 + d), QPoint(w - 2, 32 + d)));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawLine(0, 28 + d, w, 28 + d);

    p.drawText(QRect(QPoint(0, 0), QPoint(w - 1, 18)),
               (rightSide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
               p.fontMetrics().elidedText(text, Qt::ElideRight, w));
}

void MouseKey::mousePressEvent(QMouseEvent *event)
{
    emit mouseKeyClick(index);
    event->accept();
}

void MouseKey::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit mouseKeyClick(index);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void MouseKey::enterEvent(QEnterEvent *)
{
    hovered = true;
    update();
}

void MouseKey::leaveEvent(QEvent *)
{
    hovered = false;
    update();
}

void MouseKey::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void MouseKey::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}
