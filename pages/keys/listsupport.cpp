#include "pages/keys/listsupport.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>

#include "model/mousedata.h"

void ListSupport::styleColumn(QFrame *frame, bool minimumSize)
{
    if (minimumSize)
        frame->setMinimumSize(176, 0);
    if (MouseData::instance()->screenClass != 0)
        frame->setMinimumWidth(200);
    StyleSheets::setLook(frame, StyleSheets::PagePanelLook);
}

void ListSupport::styleList(QListView *view, StyleSheets::ListItems items)
{
    switch (items) {
    case StyleSheets::DpiList:
        StyleSheets::setLook(view, StyleSheets::DpiListLook);
        break;
    case StyleSheets::MacroList40:
    case StyleSheets::MacroList100:
        StyleSheets::setLook(view, StyleSheets::MacroListLook);
        break;
    case StyleSheets::MenuList:
        StyleSheets::setLook(view, StyleSheets::MenuListLook);
        break;
    }
}

void ListSupport::styleCombo(QComboBox *box)
{
    StyleSheets::setComboLook(box, StyleSheets::Combo27Look);
}

QString ListSupport::lineEditStyle()
{
    return StyleSheets::lineEdit()
        + QStringLiteral("QLineEdit { min-height: 27px; }"
                         "QLineEdit:focus { border: 1px solid #ff5000; }"
                         "QLineEdit:disabled { color: rgb(155, 155, 155); }");
}

QString ListSupport::buttonStyle()
{
    return StyleSheets::pushButton()
        + QStringLiteral("QPushButton { min-height: 27px; }"
                         "QPushButton:focus { background-color: #ff5001; }");
}

QString ListSupport::checkBoxStyle()
{
    return StyleSheets::checkBox() + QStringLiteral("QCheckBox:focus { color: rgb(255, 80, 0); }");
}

QString ListSupport::fieldButtonStyle()
{
    return StyleSheets::fieldButton()
        + QStringLiteral("QPushButton { min-height: 27px; }"
                         "QPushButton:focus { border: 1px solid #ff5000; }"
                         "QPushButton:disabled { color: rgb(155, 155, 155); }");
}

QHBoxLayout *ListSupport::saveCancelRow(QWidget *parent, QPushButton *&save, QPushButton *&cancel)
{
    const MouseData *md = MouseData::instance();
    save = new QPushButton(md->languageText(14), parent);
    save->setObjectName(QStringLiteral("saveBtn"));
    StyleSheets::setLook(save, StyleSheets::ListButtonLook);
    cancel = new QPushButton(md->languageText(15), parent);
    cancel->setObjectName(QStringLiteral("cancelBtn"));
    StyleSheets::setLook(cancel, StyleSheets::ListButtonLook);
    auto *row = new QHBoxLayout;
    row->addWidget(save);
    row->addWidget(cancel);
    return row;
}
