#include "pages/accessibility/buttonaccessible.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {
const char *const CheckedProperty = "accessibleChecked";
}

ButtonAccessible::ButtonAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Button)
{
}

QAbstractButton *ButtonAccessible::button() const
{
    return static_cast<QAbstractButton *>(widget());
}

bool ButtonAccessible::toggles() const
{
    return button()->isCheckable() || button()->property(CheckedProperty).isValid();
}

QAccessible::Role ButtonAccessible::role() const
{
    const QAbstractButton *b = button();
    if (auto *push = qobject_cast<const QPushButton *>(b); push && push->menu())
        return QAccessible::ButtonMenu;
    if (qobject_cast<const QRadioButton *>(b) || (b->isCheckable() && b->autoExclusive()))
        return QAccessible::RadioButton;
    if (qobject_cast<const QCheckBox *>(b) || b->isCheckable())
        return QAccessible::CheckBox;
    return QAccessible::Button;
}

QAccessible::State ButtonAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const QAbstractButton *b = button();
    if (toggles()) {
        s.checkable = true;
        const QVariant flag = b->property(CheckedProperty);
        s.checked = flag.isValid() ? flag.toBool() : b->isChecked();
    }
    if (b->isDown())
        s.pressed = true;
    if (auto *push = qobject_cast<const QPushButton *>(b)) {
        if (push->isDefault())
            s.defaultButton = true;
        if (push->menu())
            s.hasPopup = true;
    }
    return s;
}

QString ButtonAccessible::text(QAccessible::Text t) const
{
    QString s = QAccessibleWidget::text(t);
    // A tool tip that repeats the name would be read twice.
    if (t == QAccessible::Description && !s.isEmpty() && s == text(QAccessible::Name))
        return QString();
    if (!s.isEmpty())
        return s;
    switch (t) {
    case QAccessible::Name:
        s = button()->text();
        s.remove(QLatin1Char('&'));
        break;
    case QAccessible::Description:
        s = button()->toolTip();
        break;
    case QAccessible::Accelerator:
        s = QKeySequence(button()->shortcut()).toString(QKeySequence::NativeText);
        break;
    default:
        break;
    }
    return s;
}

QStringList ButtonAccessible::actionNames() const
{
    QStringList names;
    if (!widget()->isEnabled())
        return names;
    if (role() == QAccessible::ButtonMenu)
        names << showMenuAction();
    names << pressAction();
    if (button()->isCheckable())
        names << toggleAction();
    return names + QAccessibleWidget::actionNames();
}

void ButtonAccessible::doAction(const QString &actionName)
{
    QAbstractButton *b = button();
    if (!b->isEnabled())
        return;
    if (actionName == showMenuAction() || actionName == pressAction() || actionName == toggleAction()) {
        // Queued: the menu, or a dialog the click opens, runs its own event loop, which must
        // not hold up the reply to the screen reader.
        if (auto *push = qobject_cast<QPushButton *>(b); push && push->menu()) {
            QMetaObject::invokeMethod(push, &QPushButton::showMenu, Qt::QueuedConnection);
            return;
        }
        // What a pointer click does: the check mark flips (unless a group keeps it) and the
        // page's click handler runs.
        if (actionName != toggleAction() || b->isCheckable())
            QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

QStringList ButtonAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == pressAction() && !button()->shortcut().isEmpty())
        return {button()->shortcut().toString()};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

void ButtonAccessible::setChecked(QAbstractButton *button, bool checked)
{
    const QVariant before = button->property(CheckedProperty);
    button->setProperty(CheckedProperty, checked);
    if (before.isValid() && before.toBool() == checked)
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(button, changed);
    QAccessible::updateAccessibility(&event);
}
