#include "pages/performance/colorbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "pages/accessibility/accessiblefactory.h"
#include "resources/stylesheets.h"

namespace {

constexpr int pinSize = 13;
constexpr int pinOffset = 6;

// Announced as a colour chooser whose press applies the colour under the marker.
class ColorBarAccessible : public QAccessibleWidget
{
public:
    explicit ColorBarAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::ColorChooser) {}

    QString text(QAccessible::Text t) const override
    {
        const QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && !widget()->accessibleDescription().isEmpty())
            return s + QStringLiteral(": ") + widget()->accessibleDescription();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        auto *bar = static_cast<ColorBar *>(widget());
        if (name == pressAction())
            bar->pickAt(bar->pinCentre());
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *colorBarFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ColorBar") && object && object->isWidgetType())
        return new ColorBarAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

ColorBar::ColorBar(QWidget *parent)
    : QFrame(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(&colorBarFactory);
        return true;
    }();
    Q_UNUSED(installed);

    image = QImage(QStringLiteral(":/light/images/light/colorBar.png"));
    setFixedSize(448, 64);
    setFocusPolicy(Qt::TabFocus);   // the dashed focus frame is for keyboard users

    pin = new QLabel(this);
    pin->setObjectName(QStringLiteral("pin"));
    pin->setFixedSize(pinSize, pinSize);
    pin->setPixmap(QPixmap(QStringLiteral(":/light/images/light/colorBarPin.png")));
    StyleSheets::setLook(pin, StyleSheets::PinLabelLook);
    pin->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin->move(0, 0);
    updateAccessibleText();
}

QPoint ColorBar::pinCentre() const
{
    return pin->pos() + QPoint(pinOffset, pinOffset);
}

void ColorBar::movePin(const QPoint &centre)
{
    pin->move(centre - QPoint(pinOffset, pinOffset));
    updateAccessibleText();
}

void ColorBar::pickAt(const QPoint &point)
{
    movePin(point);
    if (!image.valid(point))
        return;
    const QRgb px = image.pixel(point);
    emit currentColor(uchar(qRed(px)), uchar(qGreen(px)), uchar(qBlue(px)), uchar(qAlpha(px)));
}

void ColorBar::updateAccessibleText()
{
    const QPoint at = pinCentre();
    if (!image.valid(at))
        return;
    setAccessibleDescription(AccessibleFactory::spokenColour(QColor(image.pixel(at))));
    // The name carries the colour too, so that moving the marker is read out.
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void ColorBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, image);
    if (hasFocus()) {
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ColorBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        pickAt(event->position().toPoint());
    event->accept();
}

void ColorBar::keyPressEvent(QKeyEvent *event)
{
    QPoint c = pinCentre();
    const int step = event->modifiers() & Qt::ShiftModifier ? 1 : 4;
    switch (event->key()) {
    case Qt::Key_Left: c.rx() -= step; break;
    case Qt::Key_Right: c.rx() += step; break;
    case Qt::Key_PageUp: c.rx() -= 56; break;
    case Qt::Key_PageDown: c.rx() += 56; break;
    case Qt::Key_Home: c.setX(0); break;
    case Qt::Key_End: c.setX(width() - 1); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        pickAt(c);
        event->accept();
        return;
    default:
        QFrame::keyPressEvent(event);
        return;
    }
    // The rows are identical; keep the marker on the middle row once the keyboard drives it.
    c.setX(qBound(0, c.x(), width() - 1));
    c.setY(height() / 2);
    movePin(c);
    m_keyMoved = true;
    event->accept();
}

void ColorBar::keyReleaseEvent(QKeyEvent *event)
{
    // The colour is applied once the key is let go, so holding an arrow does not flood the mouse.
    if (m_keyMoved && !event->isAutoRepeat()) {
        m_keyMoved = false;
        pickAt(pinCentre());
        event->accept();
        return;
    }
    QFrame::keyReleaseEvent(event);
}

void ColorBar::focusInEvent(QFocusEvent *event)
{
    QFrame::focusInEvent(event);
    update();
}

void ColorBar::focusOutEvent(QFocusEvent *event)
{
    QFrame::focusOutEvent(event);
    update();
}
