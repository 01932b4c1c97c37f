#pragma once

#include <QAccessibleWidget>

// Screen-reader face of the key screen's hand-made widgets: the key markers are announced as
// buttons and the macro-editor link as a link, each with a press action.
class KeysAccessible : public QAccessibleWidget
{
public:
    KeysAccessible(QWidget *widget, QAccessible::Role role);

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // Registers the factory once; safe to call from every constructor.
    static void install();

private:
    static QAccessibleInterface *factory(const QString &className, QObject *object);
};
