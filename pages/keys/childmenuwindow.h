#pragma once

#include <QFrame>
#include <QModelIndex>

class MenuListView;
class mouseViewModel;
class mouseViewDelegate;

// Third-level multimedia menu.
class childMenuWindow : public QFrame
{
    Q_OBJECT
public:
    explicit childMenuWindow(QWidget *parent = nullptr);

    MenuListView *childMenuListView = nullptr;
    mouseViewModel *model = nullptr;
    mouseViewDelegate *delegate = nullptr;

public slots:
    void clickedProc(const QModelIndex &index);
};
