#include "pages/accessibility/comboaccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

ComboAccessible::ComboAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::ComboBox) {}

QComboBox *ComboAccessible::comboBox() const
{
    return static_cast<QComboBox *>(widget());
}

void *ComboAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QAccessible::State ComboAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = comboBox()->view()->isVisible();
    s.collapsed = !s.expanded;
    s.readOnly = !comboBox()->isEditable();
    return s;
}

QString ComboAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return value();
    // Named by its label or its own name; never by the value, which is said after the name.
    return QAccessibleWidget::text(t);
}

int ComboAccessible::childCount() const
{
    return 1;
}

QAccessibleInterface *ComboAccessible::child(int index) const
{
    return index == 0 ? QAccessible::queryAccessibleInterface(comboBox()->view()) : nullptr;
}

int ComboAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child && child->object() == comboBox()->view() ? 0 : -1;
}

QStringList ComboAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

void ComboAccessible::doAction(const QString &actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction())
        comboBox()->showPopup();
}

QString ComboAccessible::value() const
{
    return comboBox()->isEditable() && comboBox()->lineEdit() ? comboBox()->lineEdit()->text()
                                                              : comboBox()->currentText();
}

void ComboAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
}

QString ComboAccessible::text(int startOffset, int endOffset) const
{
    const QString v = value();
    if (startOffset < 0 || startOffset > v.size())
        return QString();
    if (endOffset < 0 || endOffset > v.size())
        endOffset = int(v.size());
    return v.mid(startOffset, qMax(0, endOffset - startOffset));
}

int ComboAccessible::characterCount() const
{
    return int(value().size());
}

QString ComboAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}
