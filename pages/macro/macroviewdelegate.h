#pragma once

#include <QPoint>
#include <QStyledItemDelegate>

// Draws a row of the macro lists and turns a click on a row's right end (its menu button)
// into openContextMenu.
class MacroViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // Width of the strip at a row's right end that opens the menu.
    static constexpr int menuStrip = 23;

    explicit MacroViewDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    void openContextMenu(QPoint position);
};
