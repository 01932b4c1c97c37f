#include "pages/macro/macroview.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

#include "pages/accessibility/accessiblefactory.h"
#include "pages/macro/macroviewdelegate.h"

MacroView::MacroView(QWidget *parent) : QListView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
}

void MacroView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid())
        emit openContextMenu(QPoint(visualRect(current).right() - MacroViewDelegate::menuStrip / 2,
                                    visualRect(current).center().y()));
}

void MacroView::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    const bool menuKey = event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        event->accept();
        if (current.isValid())
            emit openContextMenu(QPoint(visualRect(current).right() - MacroViewDelegate::menuStrip / 2,
                                        visualRect(current).center().y()));
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current.isValid()) {
            selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
            emit clicked(current);
            if (event->key() != Qt::Key_Space)
                emit doubleClicked(current);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void MacroView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    AccessibleFactory::focusCurrentRow(this);
}
