#include "pages/accessibility/menulistaccessible.h"

#include "pages/accessibility/menurowaccessible.h"
#include "pages/keys/menulistview.h"

MenuListAccessible::MenuListAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::List)
{
}

MenuListAccessible::~MenuListAccessible()
{
    for (QAccessible::Id id : std::as_const(rows))
        QAccessible::deleteAccessibleInterface(id);
}

MenuListView *MenuListAccessible::view() const
{
    return static_cast<MenuListView *>(widget());
}

int MenuListAccessible::childCount() const
{
    return view()->model() ? view()->model()->rowCount(view()->rootIndex()) : 0;
}

QAccessibleInterface *MenuListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (auto it = rows.constFind(index); it != rows.constEnd())
        return QAccessible::accessibleInterface(*it);
    auto *row = new MenuRowAccessible(view(), index);
    rows.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int MenuListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (auto it = rows.constBegin(); it != rows.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child)
            return it.key() < childCount() ? it.key() : -1;
    }
    return -1;
}

QAccessibleInterface *MenuListAccessible::childAt(int x, int y) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex index = view()->indexAt(local);
    return index.isValid() ? child(index.row()) : nullptr;
}

QAccessibleInterface *MenuListAccessible::focusChild() const
{
    const QModelIndex current = view()->currentIndex();
    if (!view()->hasFocus() || !current.isValid())
        return nullptr;
    return child(current.row());
}
