#include "pages/keys/keyboardfunctionmenu.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "pages/keys/groupkeyedit.h"
#include "pages/keys/listsupport.h"
#include "resources/lookcombobox.h"

keyboardFunctionMenu::keyboardFunctionMenu(QWidget *parent) : QFrame(parent)
{
    const MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("keyboardFunctionMenu"));

    optionList = new LookComboBox(this);
    optionList->setObjectName(QStringLiteral("optionList"));
    optionList->addItem(md->languageText(12));
    optionList->addItem(md->languageText(13));
    optionList->setAccessibleName(md->languageText(4));
    // Screen readers name a drop-down by its choice, which is the field's name too.
    optionList->setAccessibleDescription(md->languageText(176));

    inputEdit = new GroupKeyEdit(this);
    inputEdit->setAccessibleName(md->languageText(4) + QStringLiteral(": ") + md->languageText(12));

    itemList = new LookComboBox(this);
    itemList->setObjectName(QStringLiteral("itemList"));
    for (char c = 'A'; c <= 'Z'; ++c)
        itemList->addItem(QString(QLatin1Char(c)));
    for (char c = '0'; c <= '9'; ++c)
        itemList->addItem(QString(QLatin1Char(c)));
    itemList->setAccessibleName(md->languageText(13));
    itemList->hide();

    QHBoxLayout *buttons = ListSupport::saveCancelRow(this, saveBtn, cancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 20, 12, 9);
    layout->setSpacing(12);
    layout->addWidget(optionList);
    layout->addWidget(inputEdit);
    layout->addWidget(itemList);
    layout->addLayout(buttons);
    layout->addStretch(1);

    // As wide as the other third-level columns, so the capture field has room.
    ListSupport::styleColumn(this, true);
    ListSupport::styleCombo(optionList);
    ListSupport::styleCombo(itemList);
    StyleSheets::setLook(inputEdit, StyleSheets::ListLineEditLook);

    setTabOrder(optionList, inputEdit);
    setTabOrder(inputEdit, itemList);
    setTabOrder(itemList, saveBtn);
    setTabOrder(saveBtn, cancelBtn);

    connect(optionList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &keyboardFunctionMenu::currentIndexChangedProc);
    connect(saveBtn, &QPushButton::clicked, this, &keyboardFunctionMenu::saveBtnProc);
    connect(cancelBtn, &QPushButton::clicked, this, &keyboardFunctionMenu::cancelBtnProc);
}

void keyboardFunctionMenu::currentIndexChangedProc(int index)
{
    if (index == 0) {
        inputEdit->show();
        itemList->hide();
    } else if (index == 1) {
        inputEdit->hide();
        itemList->show();
    }
}

void keyboardFunctionMenu::saveBtnProc()
{
    MouseData *md = MouseData::instance();
    if (optionList->currentIndex() != 0) {
        const QString name = itemList->currentText();
        md->setKeyFunction(0, 0, uchar(md->keyCode(name)), 0, name);
        return;
    }
    // The captured keys, not the field's text: only they say what the mouse will do.
    int codes[3];
    inputEdit->shownCodes(codes);
    md->setKeyFunction(0, uchar(codes[0]), uchar(codes[1]), uchar(codes[2]),
                       md->functionText(0, uchar(codes[0]), uchar(codes[1]), uchar(codes[2])));
}

void keyboardFunctionMenu::cancelBtnProc()
{
    // Forgetting the collected keys too lets a keyboard-only user start a new combination,
    // which otherwise takes a left click into the field.
    inputEdit->clearKeys();
}
