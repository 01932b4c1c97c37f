#pragma once

#include <QFrame>
#include <QModelIndex>

class QComboBox;
class QLabel;
class QToolButton;
class MenuListView;
class mouseViewModel;
class mouseViewDelegate;

// First-level menu: the six buttons with their functions, optionally only the changed ones.
class mainMenuWindow : public QFrame
{
    Q_OBJECT
public:
    explicit mainMenuWindow(QWidget *parent = nullptr);
    ~mainMenuWindow() override;

    QLabel *settingTxt = nullptr;
    QToolButton *toolButton = nullptr;
    QComboBox *mainMenuComboBox = nullptr;
    MenuListView *mainMenuListView = nullptr;
    mouseViewModel *model = nullptr;
    mouseViewDelegate *delegate = nullptr;

    int selectedKey = -1;
    // The row showing button k, or an invalid index when the filter hides it.
    QModelIndex rowOfKey(int k) const;

signals:
    void menuControl();

public slots:
    void clickedProc(const QModelIndex &index);
    void updateMouseKey(int objectIndex, int index);
    void updateMouseValue(QString label);
    void refreashDataProc(int index);
    void modifyKeyShow(int mode);

private:
    // Whatever moves the list's highlight (arrow keys, a press dragged to another row) makes
    // that row's button the current key, as a click does.
    void followCurrentRow(const QModelIndex &current);
    void setCurrentRow(const QModelIndex &index);
    bool m_settingRow = false;
};
