#pragma once

#include <QFrame>

class GroupKeyEdit;
class QComboBox;
class QPushButton;

// Keyboard picker: a captured combination or a single letter or digit from a list.
class keyboardFunctionMenu : public QFrame
{
    Q_OBJECT
public:
    explicit keyboardFunctionMenu(QWidget *parent = nullptr);

    QComboBox *optionList = nullptr;
    GroupKeyEdit *inputEdit = nullptr;
    QComboBox *itemList = nullptr;
    QPushButton *saveBtn = nullptr;
    QPushButton *cancelBtn = nullptr;

public slots:
    void currentIndexChangedProc(int index);
    void saveBtnProc();
    void cancelBtnProc();
};
