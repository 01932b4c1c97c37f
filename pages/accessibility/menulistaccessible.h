#pragma once

#include <QAccessibleWidget>
#include <QHash>

class MenuListView;

// Screen-reader face of the key screen's lists. Qt's rows answer "Toggle" by selecting without
// the click the menus act on; these rows answer "Press" as Enter does: the row is chosen.
class MenuListAccessible : public QAccessibleWidget
{
public:
    explicit MenuListAccessible(QWidget *widget);
    ~MenuListAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    MenuListView *view() const;

private:
    // One interface per row number, kept for the list's lifetime: the bus knows a row by it.
    mutable QHash<int, QAccessible::Id> rows;
};
