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
