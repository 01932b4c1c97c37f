#include "pages/keys/menulistview.h"

#include <QKeyEvent>

#include "pages/accessibility/accessiblefactory.h"

MenuListView::MenuListView(QWidget *parent) : QListView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void MenuListView::activateRow(const QModelIndex &index)
{
    if (!index.isValid() || index.model() != model())
        return;
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    emit clicked(index);
}

void MenuListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The list view tells screen readers that its new row has the focus even when another
    // widget holds it (a key marker, a picker); only a focused list may say so.
    if (hasFocus())
        QListView::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
}

void MenuListView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (currentIndex().isValid()) {
            selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
            emit clicked(currentIndex());
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void MenuListView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    AccessibleFactory::focusCurrentRow(this);
}
