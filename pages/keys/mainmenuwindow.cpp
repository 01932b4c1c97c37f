#include "pages/keys/mainmenuwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewdelegate.h"
#include "pages/keys/mouseviewmodel.h"
#include "resources/lookcombobox.h"
#include "resources/pictures.h"

namespace {

quint32 packed(const KeyFunction *f)
{
    if (!f)
        return 0;
    return quint32(f->kind) << 24 | quint32(f->param1) << 16 | quint32(f->param2) << 8 | f->param3;
}

} // namespace

mainMenuWindow::mainMenuWindow(QWidget *parent) : QFrame(parent)
{
    MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("mainMenuWindow"));

    settingTxt = new QLabel(this);
    settingTxt->setObjectName(QStringLiteral("settingTxt"));
    StyleSheets::setLook(settingTxt, StyleSheets::TitleLabelLook);
    toolButton = new QToolButton(this);
    toolButton->setObjectName(QStringLiteral("toolButton"));
    toolButton->setIcon(Pictures::icon(QStringLiteral(":/images/help.png")));
    mainMenuComboBox = new LookComboBox(this);
    mainMenuComboBox->setObjectName(QStringLiteral("mainMenuComboBox"));
    mainMenuListView = new MenuListView(this);
    mainMenuListView->setObjectName(QStringLiteral("mainMenuListView"));

    auto *title = new QHBoxLayout;
    title->addWidget(settingTxt);
    title->addWidget(toolButton);
    title->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 20, 9, 9);
    layout->addLayout(title);
    layout->addWidget(mainMenuComboBox);
    layout->addWidget(mainMenuListView, 1);

    ListSupport::styleColumn(this, false);
    ListSupport::styleList(mainMenuListView, StyleSheets::MenuList);
    ListSupport::styleCombo(mainMenuComboBox);

    settingTxt->setText(md->languageText(0));
    mainMenuComboBox->addItem(md->languageText(1));
    mainMenuComboBox->addItem(md->languageText(2));
    mainMenuComboBox->setAccessibleName(md->languageText(0));
    mainMenuListView->setAccessibleName(md->languageText(0));
    toolButton->hide();

    model = new mouseViewModel(this);
    delegate = new mouseViewDelegate(this);
    mainMenuListView->setModel(model);
    mainMenuListView->setItemDelegate(delegate);
    refreashDataProc(md->isDefaultKey);

    connect(mainMenuListView, &QListView::clicked, this, &mainMenuWindow::clickedProc);
    connect(mainMenuListView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &mainMenuWindow::followCurrentRow);
    connect(md, &MouseData::mouseKeyChanged, this, &mainMenuWindow::updateMouseKey);
    connect(md, &MouseData::mouseValueChanged, this, &mainMenuWindow::updateMouseValue);
    connect(md, &MouseData::refreashData, this, &mainMenuWindow::refreashDataProc);
    connect(MouseDefaultData::instance(), &MouseDefaultData::refreashData, this,
            &mainMenuWindow::refreashDataProc);
    connect(mainMenuComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &mainMenuWindow::modifyKeyShow);
}

mainMenuWindow::~mainMenuWindow()
{
    // The list goes after this object stops being a mainMenuWindow; its last selection change
    // must not reach it.
    disconnect(mainMenuListView->selectionModel(), nullptr, this, nullptr);
}

void mainMenuWindow::clickedProc(const QModelIndex &index)
{
    bool ok = false;
    const int k = int(index.data(0).toString().toUInt(&ok)) - 1;
    if (!ok || k < 0 || k > 5)
        return;
    selectedKey = k;
    MouseData *md = MouseData::instance();
    md->currentKey = uchar(k);
    emit md->mouseKeyChanged(0, k);
    emit menuControl();
}

QModelIndex mainMenuWindow::rowOfKey(int k) const
{
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex i = model->index(r, 0);
        bool ok = false;
        if (i.data(0).toString().toUInt(&ok) == uint(k + 1) && ok)
            return i;
    }
    return {};
}

void mainMenuWindow::setCurrentRow(const QModelIndex &index)
{
    const bool was = m_settingRow;
    m_settingRow = true;
    if (index.isValid()) {
        mainMenuListView->setCurrentIndex(index);
        mainMenuListView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    } else {
        mainMenuListView->clearSelection();
        mainMenuListView->setCurrentIndex(QModelIndex());
    }
    m_settingRow = was;
}

void mainMenuWindow::followCurrentRow(const QModelIndex &current)
{
    if (m_settingRow || !current.isValid())
        return;
    bool ok = false;
    const int k = int(current.data(0).toString().toUInt(&ok)) - 1;
    MouseData *md = MouseData::instance();
    if (!ok || k < 0 || k > 5 || k == md->currentKey)
        return;
    selectedKey = k;
    md->currentKey = uchar(k);
    setCurrentRow(current);
    emit md->mouseKeyChanged(0, k);
}

void mainMenuWindow::updateMouseKey(int objectIndex, int index)
{
    if (objectIndex == 0)
        return;
    setCurrentRow(rowOfKey(index));
    // "No key" (255) must not read as a selection, or the column control would open the
    // category menu for a key nobody chose.
    selectedKey = (index >= 0 && index <= 5) ? index : -1;
}

void mainMenuWindow::updateMouseValue(QString label)
{
    // The programmed key's row, wherever the highlight is.
    const QModelIndex row = rowOfKey(MouseData::instance()->currentKey);
    if (!row.isValid())
        return;
    model->setData(row, label, 1);
    mainMenuListView->viewport()->update();
}

void mainMenuWindow::modifyKeyShow(int mode)
{
    const MouseData *md = MouseData::instance();
    const MouseDefaultData *dd = MouseDefaultData::instance();
    const bool was = m_settingRow;
    m_settingRow = true;
    model->clearRows();
    m_settingRow = was;
    MenuRowList rows;
    for (int i = 0; i < 6; ++i) {
        const KeyFunction *f = md->keyFunction(i);
        if (mode == 0 || packed(f) != packed(dd->defaultKeyFunction(i)))
            rows.append(MenuRow(QString::number(i + 1), f ? f->label : QString(), QStringLiteral("1")));
    }
    model->appendRows(rows);
    updateMouseKey(1, md->currentKey);
}

void mainMenuWindow::refreashDataProc(int index)
{
    if (index != 0) {
        modifyKeyShow(mainMenuComboBox->currentIndex());
        return;
    }
    const MouseData *md = MouseData::instance();
    const MouseDefaultData *dd = MouseDefaultData::instance();
    const bool was = m_settingRow;
    m_settingRow = true;
    model->clearRows();
    MenuRowList rows;
    for (int i = 0; i < 6; ++i) {
        const KeyFunction *f = dd->defaultKeyFunction(i);
        rows.append(MenuRow(QString::number(i + 1), f ? f->label : QString(), QStringLiteral("1")));
    }
    model->appendRows(rows);
    m_settingRow = was;
    setCurrentRow(rowOfKey(md->currentKey));
}
