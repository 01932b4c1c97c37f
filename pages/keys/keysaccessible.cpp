#include "pages/keys/keysaccessible.h"

#include <QLabel>

#include "pages/keys/macromenu.h"
#include "pages/keys/mousekey.h"

KeysAccessible::KeysAccessible(QWidget *widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{
}

QStringList KeysAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void KeysAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    if (auto *key = qobject_cast<MouseKey *>(object())) {
        key->click();
    } else if (auto *menu = qobject_cast<MacroMenu *>(object()->parent())) {
        menu->openMacroPage();
    }
}

QAccessibleInterface *KeysAccessible::factory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (className == QLatin1String("MouseKey"))
        return new KeysAccessible(w, QAccessible::Button);
    if (className == QLatin1String("QLabel") && object->objectName() == QLatin1String("macroBtn")
        && qobject_cast<MacroMenu *>(object->parent()))
        return new KeysAccessible(w, QAccessible::Link);
    return nullptr;
}

void KeysAccessible::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&KeysAccessible::factory);
}
