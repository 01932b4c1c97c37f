#pragma once

#include <QAccessibleWidget>

class QSlider;

// Screen-reader face of the program's sliders. Values are in the units the page shows (the
// dynamic property "accessibleScale" multiplies the slider's steps, 25 for a percentage in
// quarters); a slider with a shown step text (its description) says it in its name too. A
// DPI slider's set value and Increase / Decrease edit the level as a drag does.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SliderAccessible(QWidget *widget);

    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    QSlider *slider() const;
    int scale() const;
    void moveTo(int rawValue);
};
