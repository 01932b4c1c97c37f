#pragma once

#include <QFrame>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// Launcher picker: the current key runs a program or opens a web address.
class RunMenu : public QFrame
{
    Q_OBJECT
public:
    explicit RunMenu(QWidget *parent = nullptr);

    QCheckBox *option0 = nullptr;
    QPushButton *folderBtn = nullptr;
    QToolButton *folderIcon = nullptr;
    QCheckBox *option1 = nullptr;
    QLineEdit *lineEdit = nullptr;
    QPushButton *saveBtn = nullptr;
    QPushButton *cancelBtn = nullptr;

    QString programPath;

    // The file filter of the program chooser on this platform.
    static QString programFilter();

public slots:
    void selectProgramProc();
    void optionProc();
    void saveBtnProc();
    void cancelBtnProc();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Asks the user for a program; empty when cancelled. Tests replace the dialog here.
    virtual QString askProgramPath();
};
