#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Macro binding picker: the current key plays a stored macro in one of three modes.
class MacroMenu : public QFrame
{
    Q_OBJECT
public:
    explicit MacroMenu(QWidget *parent = nullptr);

    QLabel *macroTxt = nullptr;
    QComboBox *optionList = nullptr;
    QLabel *macroOptionTxt = nullptr;
    QCheckBox *macroOption0 = nullptr;
    QCheckBox *macroOption1 = nullptr;
    QCheckBox *macroOption2 = nullptr;
    QPushButton *saveBtn = nullptr;
    QPushButton *cancelBtn = nullptr;
    QLabel *macroBtn = nullptr;

    // Play mode of the checked option: 1, 3, 2, or 0 when none is checked.
    uchar playMode() const;

signals:
    void windowSelect(int index);

public slots:
    void saveBtnProc();
    void cancelBtnProc();
    void macroNameChanged();
    // Asks for the macro editor page (the link's click, Enter/Space, or a screen reader's press).
    void openMacroPage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
