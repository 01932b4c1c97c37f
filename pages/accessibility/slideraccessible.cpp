#include "pages/accessibility/slideraccessible.h"

#include <QSlider>

#include "pages/performance/dpiwindow.h"

SliderAccessible::SliderAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Slider)
{
}

QSlider *SliderAccessible::slider() const
{
    return static_cast<QSlider *>(widget());
}

int SliderAccessible::scale() const
{
    const int s = slider()->property("accessibleScale").toInt();
    return s > 0 ? s : 1;
}

QString SliderAccessible::text(QAccessible::Text t) const
{
    const QString s = QAccessibleWidget::text(t);
    // The shown step is read as the value already, or is in the name.
    if (t == QAccessible::Description
        && (s == currentValue().toString() || slider()->property("accessibleShowsStep").toBool()))
        return QString();
    if (t == QAccessible::Name && slider()->property("accessibleShowsStep").toBool()
        && !widget()->accessibleDescription().isEmpty())
        return s + QStringLiteral(": ") + widget()->accessibleDescription();
    return s;
}

void *SliderAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant SliderAccessible::currentValue() const { return slider()->value() * scale(); }
QVariant SliderAccessible::maximumValue() const { return slider()->maximum() * scale(); }
QVariant SliderAccessible::minimumValue() const { return slider()->minimum() * scale(); }
QVariant SliderAccessible::minimumStepSize() const { return slider()->singleStep() * scale(); }

void SliderAccessible::setCurrentValue(const QVariant &value)
{
    moveTo(qRound(value.toDouble() / scale()));
}

void SliderAccessible::moveTo(int rawValue)
{
    QSlider *s = slider();
    if (!s->isEnabled())
        return;
    rawValue = qBound(s->minimum(), rawValue, s->maximum());
    for (QObject *p = s->parent(); p; p = p->parent()) {
        if (auto *page = qobject_cast<DPIWindow *>(p)) {
            page->setSliderValue(s, rawValue);
            return;
        }
    }
    s->setValue(rawValue);
}

QStringList SliderAccessible::actionNames() const
{
    if (!widget()->isEnabled())
        return QAccessibleWidget::actionNames();
    return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
}

void SliderAccessible::doAction(const QString &actionName)
{
    const int step = slider()->singleStep();
    if (actionName == increaseAction())
        moveTo(slider()->value() + step);
    else if (actionName == decreaseAction())
        moveTo(slider()->value() - step);
    else
        QAccessibleWidget::doAction(actionName);
}
