#include "pages/accessibility/menurowaccessible.h"

#include <QItemSelectionModel>

#include "pages/keys/menulistview.h"

MenuRowAccessible::MenuRowAccessible(MenuListView *view, int row) : view(view), row(row)
{
}

bool MenuRowAccessible::isValid() const
{
    return view && view->model() && row < view->model()->rowCount(view->rootIndex());
}

QWindow *MenuRowAccessible::window() const
{
    QAccessibleInterface *p = parent();
    return p ? p->window() : nullptr;
}

QAccessibleInterface *MenuRowAccessible::parent() const
{
    return view ? QAccessible::queryAccessibleInterface(view.data()) : nullptr;
}

QString MenuRowAccessible::text(QAccessible::Text t) const
{
    if (!isValid())
        return QString();
    const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
    switch (t) {
    case QAccessible::Name: {
        const QString spoken = index.data(Qt::AccessibleTextRole).toString();
        return spoken.isEmpty() ? index.data(Qt::DisplayRole).toString() : spoken;
    }
    case QAccessible::Description:
        return index.data(Qt::AccessibleDescriptionRole).toString();
    default:
        return QString();
    }
}

QRect MenuRowAccessible::rect() const
{
    if (!isValid())
        return QRect();
    const QRect r = view->visualRect(view->model()->index(row, 0, view->rootIndex()));
    return QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State MenuRowAccessible::state() const
{
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
    s.selectable = true;
    s.focusable = true;
    s.selected = view->selectionModel() && view->selectionModel()->isSelected(index);
    s.focused = view->hasFocus() && view->currentIndex() == index;
    s.active = view->currentIndex() == index;
    if (!view->isVisible() || !view->viewport()->rect().intersects(view->visualRect(index))) {
        s.invisible = true;
        s.offscreen = true;
    }
    if (!view->isEnabled())
        s.disabled = true;
    return s;
}

void *MenuRowAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QStringList MenuRowAccessible::actionNames() const
{
    if (!isValid() || !view->isEnabled())
        return {};
    return {pressAction()};
}

void MenuRowAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !isValid())
        return;
    // Queued, as the key press would arrive: what the row opens may run an event loop.
    QMetaObject::invokeMethod(
        view.data(), [v = view, r = row] {
            if (v && v->model() && r < v->model()->rowCount(v->rootIndex()))
                v->activateRow(v->model()->index(r, 0, v->rootIndex()));
        },
        Qt::QueuedConnection);
}

QStringList MenuRowAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == pressAction())
        return {QStringLiteral("Return")};
    return {};
}
