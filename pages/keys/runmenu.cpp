#include "pages/keys/runmenu.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"

RunMenu::RunMenu(QWidget *parent) : QFrame(parent)
{
    const MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("RunMenu"));

    option0 = new QCheckBox(md->languageText(33), this);
    option0->setObjectName(QStringLiteral("option0"));
    option0->setAutoExclusive(true);
    option0->setChecked(true);

    folderBtn = new QPushButton(this);
    folderBtn->setObjectName(QStringLiteral("folderBtn"));
    folderBtn->setAccessibleName(md->languageText(35));
    folderIcon = new QToolButton(folderBtn);
    folderIcon->setObjectName(QStringLiteral("folderIcon"));
    folderIcon->setFixedSize(20, 20);
    folderIcon->setFocusPolicy(Qt::NoFocus);
    folderIcon->setAccessibleName(md->languageText(173));
    StyleSheets::setLook(folderIcon, StyleSheets::FolderIconLook);
    auto *inside = new QHBoxLayout(folderBtn);
    inside->setContentsMargins(0, 0, 6, 0);
    inside->addStretch(1);
    inside->addWidget(folderIcon);

    option1 = new QCheckBox(md->languageText(34), this);
    option1->setObjectName(QStringLiteral("option1"));
    option1->setAutoExclusive(true);

    lineEdit = new QLineEdit(this);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));
    lineEdit->setAlignment(Qt::AlignCenter);
    lineEdit->setAccessibleName(md->languageText(34));
    lineEdit->setEnabled(false);

    QHBoxLayout *buttons = ListSupport::saveCancelRow(this, saveBtn, cancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 20, 12, 9);
    layout->setSpacing(12);
    layout->addWidget(option0);
    layout->addWidget(folderBtn);
    layout->addWidget(option1);
    layout->addWidget(lineEdit);
    layout->addLayout(buttons);
    layout->addStretch(1);

    setMinimumSize(176, 0);
    setMaximumWidth(500);
    ListSupport::styleColumn(this, false);
    StyleSheets::setLook(option0, StyleSheets::FocusCheckBoxLook);
    StyleSheets::setLook(option1, StyleSheets::FocusCheckBoxLook);
    StyleSheets::setLook(lineEdit, StyleSheets::ListLineEditLook);
    StyleSheets::setLook(folderBtn, StyleSheets::FieldButtonLook);

    setTabOrder(option0, folderBtn);
    setTabOrder(folderBtn, option1);
    setTabOrder(option1, lineEdit);
    setTabOrder(lineEdit, saveBtn);
    setTabOrder(saveBtn, cancelBtn);

    connect(folderBtn, &QPushButton::clicked, this, &RunMenu::selectProgramProc);
    connect(option0, &QCheckBox::clicked, this, &RunMenu::optionProc);
    connect(option1, &QCheckBox::clicked, this, &RunMenu::optionProc);
    connect(saveBtn, &QPushButton::clicked, this, &RunMenu::saveBtnProc);
    connect(cancelBtn, &QPushButton::clicked, this, &RunMenu::cancelBtnProc);
    folderIcon->installEventFilter(this);
    // Pointer presses are taken by the filter; a click comes only from a screen reader's press.
    connect(folderIcon, &QToolButton::clicked, this, &RunMenu::selectProgramProc);
}

QString RunMenu::programFilter()
{
#ifdef Q_OS_WIN
    return QStringLiteral("exe(*.exe)");
#else
    // Programs here carry no suffix: any file may be one.
    return QStringLiteral("All files (*)");
#endif
}

QString RunMenu::askProgramPath()
{
    return QFileDialog::getOpenFileName(
        this, tr("Open File"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
        programFilter());
}

void RunMenu::selectProgramProc()
{
    // The icon's event filter sees presses even while the button is disabled.
    if (!folderBtn->isEnabled())
        return;
    const QString path = askProgramPath();
    if (path.isEmpty())
        return;
    folderBtn->setText(QFileInfo(path).baseName());
    programPath = path;
    folderBtn->setAccessibleName(MouseData::instance()->languageText(35) + QStringLiteral(": ")
                                 + folderBtn->text());
}

void RunMenu::optionProc()
{
    const bool address = option1->isChecked();
    lineEdit->setEnabled(address);
    folderBtn->setEnabled(!address);
}

void RunMenu::saveBtnProc()
{
    MouseData *md = MouseData::instance();
    if (option0->isChecked()) {
        md->setKeyFunction(7, 1, 2, 1, folderBtn->text());
        md->runProgram = programPath;
    } else {
        const QString address = lineEdit->text();
        md->setKeyFunction(7, 1, 1, 1, address);
        md->runHttps = address;
    }
}

void RunMenu::cancelBtnProc() {}

bool RunMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == folderIcon && event->type() == QEvent::MouseButtonPress) {
        selectProgramProc();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
