#pragma once

#include <QFrame>
#include <QModelIndex>

class MenuListView;
class mouseViewModel;
class mouseViewDelegate;

// Second-level menu: the nine function categories of the current key.
class subMenuWindow : public QFrame
{
    Q_OBJECT
public:
    explicit subMenuWindow(QWidget *parent = nullptr);

    MenuListView *subMenuListView = nullptr;
    mouseViewModel *model = nullptr;
    mouseViewDelegate *delegate = nullptr;

    // Row last clicked; -1 until the first click.
    int category = -1;

signals:
    void menuControl();

public slots:
    void clickedProc(const QModelIndex &index);
};
