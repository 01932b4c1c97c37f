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
    frame->setStyleSheet(StyleSheets::pagePanel());
}

void ListSupport::styleList(QListView *view, StyleSheets::ListItems items)
{
    view->setStyleSheet(StyleSheets::listView(items) + StyleSheets::listScrollBar());
}

void ListSupport::styleCombo(QComboBox *box)
{
    StyleSheets::styleComboBox(box, StyleSheets::Items27,
                               StyleSheets::comboPopupScrollBar()
                                   + QStringLiteral("QComboBox { min-height: 27px; }"
                                                  "QComboBox:focus { border: 1px solid rgb(255, 80, 0); }"));
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
    save->setStyleSheet(buttonStyle());
    cancel = new QPushButton(md->languageText(15), parent);
    cancel->setObjectName(QStringLiteral("cancelBtn"));
    cancel->setStyleSheet(buttonStyle());
    auto *row = new QHBoxLayout;
    row->addWidget(save);
    row->addWidget(cancel);
    return row;
}
