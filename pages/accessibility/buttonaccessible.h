#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

// Screen-reader face of the program's buttons. Qt's own one answers "Toggle" by flipping the
// check mark without the click the pages listen to, so a page would look switched while nothing
// happened; here every action is the click itself. A button whose on/off state is not a check
// mark (the macro recorder) shows it through the dynamic property "accessibleChecked".
class ButtonAccessible : public QAccessibleWidget
{
public:
    explicit ButtonAccessible(QWidget *widget);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // Sends the checked-state change of a button that uses "accessibleChecked".
    static void setChecked(QAbstractButton *button, bool checked);

private:
    QAbstractButton *button() const;
    bool toggles() const;
};
