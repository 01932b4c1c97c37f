#pragma once

#include <QStyledItemDelegate>

// Paints MenuRow rows: orange plate when selected or hovered, white texts at fixed x positions.
class mouseViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit mouseViewDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};
