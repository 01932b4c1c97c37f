#pragma once

#include <QListView>

// A list view whose rows can be chosen from the keyboard too: Enter, Return and Space emit
// clicked() for the current row, exactly as a mouse click on it would.
class MenuListView : public QListView
{
    Q_OBJECT
public:
    explicit MenuListView(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
