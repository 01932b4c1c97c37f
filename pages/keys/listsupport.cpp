#include "pages/keys/listsupport.h"

#include <QFrame>
#include <QListView>

#include "model/mousedata.h"

void ListSupport::styleColumn(QFrame *frame, bool minimumSize)
{
    if (minimumSize)
        frame->setMinimumSize(176, 0);
    if (MouseData::instance()->screenClass != 0)
        frame->setMinimumWidth(200);
    frame->setStyleSheet(QStringLiteral("QFrame#%1 { background-color: rgb(26, 26, 26); }")
                             .arg(frame->objectName()));
}

void ListSupport::styleList(QListView *view, int itemWidth)
{
    view->setStyleSheet(QStringLiteral(
        "QListView { background-color: rgba(255, 255, 255, 0); border: none; outline: none; }"
        "QListView::item { height: 40px; width: %1px; }"
        "QScrollBar:vertical { width: 8px; background: rgba(0, 0, 0, 0); margin: 9px 0 9px 0; }"
        "QScrollBar::handle:vertical { background: rgba(0, 0, 0, 25%); border-radius: 4px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(0, 0, 0, 50%); }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: rgba(0, 0, 0, 10%); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }")
                            .arg(itemWidth));
}

QString ListSupport::comboStyle()
{
    return QStringLiteral(
        "QComboBox { border: 1px solid rgb(106, 106, 106); background-color: rgb(49, 49, 49);"
        " color: rgb(255, 255, 255); padding-left: 20px; min-height: 27px; }"
        "QComboBox:hover, QComboBox:on, QComboBox:focus { border: 1px solid rgb(255, 80, 0); }"
        "QComboBox::drop-down { border: none; width: 20px; }"
        "QComboBox::down-arrow { image: url(:/menu/images/menu/comboBoxDropArrow.png); }"
        "QComboBox QAbstractItemView { border: 1px solid rgb(106, 106, 106);"
        " background-color: rgb(49, 49, 49); color: rgb(255, 255, 255); outline: 0px; }"
        "QComboBox QAbstractItemView::item { height: 27px; }"
        "QComboBox QAbstractItemView::item:hover, QComboBox QAbstractItemView::item:selected"
        " { background-color: rgb(255, 80, 0); }");
}

QString ListSupport::lineEditStyle()
{
    return QStringLiteral(
        "QLineEdit { border: 1px solid #696969; background-color: #313131; color: rgb(255, 255, 255);"
        " min-height: 27px; qproperty-alignment: AlignHCenter; }"
        "QLineEdit:hover, QLineEdit:focus { border: 1px solid #ff5000; }"
        "QLineEdit:disabled { color: rgb(155, 155, 155); }");
}

QString ListSupport::buttonStyle()
{
    return QStringLiteral(
        "QPushButton { border-radius: 4px; background-color: #434343; color: rgb(255, 255, 255);"
        " border: none; min-height: 27px; }"
        "QPushButton:hover, QPushButton:focus { background-color: #ff5001; }");
}

QString ListSupport::checkBoxStyle()
{
    return QStringLiteral(
        "QCheckBox { spacing: 8px; color: rgb(255, 255, 255); }"
        "QCheckBox:hover, QCheckBox:focus { color: rgb(255, 80, 0); }"
        "QCheckBox::indicator { border-image: url(:/images/checkbox.png); width: 13px; height: 13px; }"
        "QCheckBox::indicator:checked { border-image: url(:/images/checkboxS.png); }");
}

QString ListSupport::fieldButtonStyle()
{
    return QStringLiteral(
        "QPushButton { text-align: left; padding-left: 20px; border: 1px solid #696969;"
        " background-color: #313131; color: rgb(255, 255, 255); min-height: 27px; }"
        "QPushButton:hover, QPushButton:focus { border: 1px solid #ff5000; }"
        "QPushButton:disabled { color: rgb(155, 155, 155); }");
}
