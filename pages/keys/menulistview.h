#pragma once

#include <QListView>

// A list view whose rows can be chosen from the keyboard too: Enter, Return and Space emit
// clicked() for the current row, exactly as a mouse click on it would.
class MenuListView : public QListView
{
    Q_OBJECT
public:
    explicit MenuListView(QWidget *parent = nullptr);

    // Chooses a row as a click on it does (a screen reader's "Press" on the row comes here).
    void activateRow(const QModelIndex &index);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
};
