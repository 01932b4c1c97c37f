#include "pages/macro/macrowindow.h"

#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "pages/accessibility/buttonaccessible.h"
#include "profiles/profilemanager.h"
#include "pages/macro/inputedit.h"
#include "pages/macro/macroview.h"
#include "pages/macro/macroviewdelegate.h"
#include "pages/macro/macroviewmodel.h"
#include "pages/performance/formsupport.h"
#include "platform/filedialogs.h"
#include "resources/lookcombobox.h"
#include "resources/stylesheets.h"
#include "resources/pictures.h"

namespace {
const QString itemSeparator = QStringLiteral("@#");
const QString fieldSeparator = QStringLiteral("_-");
// Pause lengths the mouse can hold (two bytes per record).
constexpr int maxPause = 65535;
constexpr int maxLoops = 65535;

using Row = MacroViewModel::Row;

QString text(int n)
{
    return MouseData::instance()->languageText(n);
}

bool isMouseName(const QString &t)
{
    static const QStringList names{QStringLiteral("MS-L"), QStringLiteral("MS-R"), QStringLiteral("MS-M"),
                                   QStringLiteral("MS-B4"), QStringLiteral("MS-B5")};
    return names.contains(t);
}

Row actionRow(const QString &name, bool press)
{
    const bool mouse = isMouseName(name);
    const QLatin1String icon = press ? (mouse ? MacroViewModel::mouseDownIcon : MacroViewModel::keyDownIcon)
                                : (mouse ? MacroViewModel::mouseUpIcon : MacroViewModel::keyUpIcon);
    return Row{icon, name, QStringLiteral("0")};
}

Row pauseRow(int ms)
{
    return Row{MacroViewModel::delayIcon, QString::number(ms), QStringLiteral("0")};
}

// A loop count the mouse can hold, or -1.
int loopCount(const QString &t)
{
    bool ok = false;
    const int n = t.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= maxLoops ? n : -1;
}

// A pause length typed by the user: a whole number the mouse can hold, or -1.
int pauseValue(const QString &t)
{
    bool ok = false;
    const int n = t.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= maxPause ? n : -1;
}

QStringList namesOf(const MacroViewModel *model)
{
    QStringList names;
    for (const Row &r : model->rows())
        names.append(r.text);
    return names;
}

QPushButton *iconButton(QWidget *parent, const QString &name, const QString &icon, const QString &spoken)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    b->setIcon(Pictures::icon(icon));
    b->setFixedSize(36, 28);
    StyleSheets::setLook(b, StyleSheets::MacroButtonLook);
    b->setToolTip(spoken);
    b->setAccessibleName(spoken);
    return b;
}

QLabel *label(QWidget *parent, const QString &name, int textNumber)
{
    auto *l = new QLabel(text(textNumber), parent);
    l->setObjectName(name);
    StyleSheets::setLook(l, StyleSheets::PlainLabelLook);
    return l;
}

QLineEdit *field(QWidget *parent, const QString &name, const QString &value, int spokenText)
{
    auto *e = new QLineEdit(value, parent);
    e->setObjectName(name);
    e->setFixedSize(64, 24);
    StyleSheets::setLook(e, StyleSheets::LineEditLook);
    e->setAccessibleName(text(spokenText));
    return e;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, int textNumber)
{
    auto *c = new QCheckBox(text(textNumber), parent);
    c->setObjectName(name);
    StyleSheets::setLook(c, StyleSheets::FocusCheckBoxLook);
    return c;
}

QFrame *panel(QWidget *parent, const QString &name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    StyleSheets::setLook(f, StyleSheets::MacroPanelLook);
    return f;
}
} // namespace

MacroWindow::MacroWindow(QWidget *parent) : QFrame(parent), inputDialog(this)
{
    setObjectName(QStringLiteral("MacroWindow"));
    StyleSheets::setLook(this, StyleSheets::PageFrameLook);
    setMinimumSize(1108, 600);

    macroTxt = new QLabel(text(80), this);
    macroTxt->setObjectName(QStringLiteral("macroTxt"));
    StyleSheets::setLook(macroTxt, StyleSheets::TitleLabelLook);

    // Names.
    QFrame *namePanel = panel(this, QStringLiteral("namePanel"));
    listTxt = label(namePanel, QStringLiteral("listTxt"), 81);
    addBtn = iconButton(namePanel, QStringLiteral("addBtn"), QStringLiteral(":/macro/images/macro/add.png"),
                        MacroViewModel::extraText(MacroViewModel::AddMacro));
    deleteBtn = iconButton(namePanel, QStringLiteral("deleteBtn"), QStringLiteral(":/macro/images/macro/delete.png"),
                           text(174));
    importBtn = iconButton(namePanel, QStringLiteral("importBtn"), QStringLiteral(":/macro/images/macro/import.png"),
                           MacroViewModel::extraText(MacroViewModel::ImportMacro));
    exportBtn = iconButton(namePanel, QStringLiteral("exportBtn"), QStringLiteral(":/macro/images/macro/export.png"),
                           MacroViewModel::extraText(MacroViewModel::ExportMacro));
    nameList = new MacroView(namePanel);
    nameList->setObjectName(QStringLiteral("macroNameList"));
    nameList->setAccessibleName(text(81));
    nameList->setAccessibleDescription(MacroViewModel::extraText(MacroViewModel::RowMenuHint));
    listTxt->setBuddy(nameList);

    // Actions of the selected macro.
    QFrame *actionPanel = panel(this, QStringLiteral("actionPanel"));
    valueTxt = label(actionPanel, QStringLiteral("valueTxt"), 82);
    valueDeleteBtn = iconButton(actionPanel, QStringLiteral("valueDeleteBtn"),
                                QStringLiteral(":/macro/images/macro/delete.png"), text(175));
    actionList = new MacroView(actionPanel);
    actionList->setObjectName(QStringLiteral("macroActionList"));
    actionList->setAccessibleName(text(82));
    valueTxt->setBuddy(actionList);
    fitTxt = new QLabel(actionPanel);
    fitTxt->setObjectName(QStringLiteral("fitTxt"));
    fitTxt->setWordWrap(true);
    StyleSheets::setLook(fitTxt, StyleSheets::AccentLabelLook);
    fitTxt->hide();

    nameModel = new MacroViewModel(this);
    actionModel = new MacroViewModel(this);
    nameDelegate = new MacroViewDelegate(this);
    actionDelegate = new MacroViewDelegate(this);
    nameList->setModel(nameModel);
    nameList->setItemDelegate(nameDelegate);
    actionList->setModel(actionModel);
    actionList->setItemDelegate(actionDelegate);
    for (MacroView *v : {nameList, actionList}) {
        StyleSheets::setLook(v, StyleSheets::MacroListLook);
        v->setMinimumHeight(6 * rowHeight);
    }

    // Recording and insertion.
    QFrame *editPanel = panel(this, QStringLiteral("editPanel"));
    recordBtn = new QPushButton(editPanel);
    recordBtn->setObjectName(QStringLiteral("recordBtn"));
    recordBtn->setFixedSize(120, 36);
    StyleSheets::setLook(recordBtn, StyleSheets::MacroButtonLook);
    recordHintTxt = new QLabel(text(133), editPanel);
    recordHintTxt->setObjectName(QStringLiteral("recordHintTxt"));
    recordHintTxt->setWordWrap(true);
    StyleSheets::setLook(recordHintTxt, StyleSheets::PlainLabelLook);
    recordBtn->setAccessibleDescription(text(133));
    recordDelaySW = checkBox(editPanel, QStringLiteral("recordDelaySW"), 83);
    delayTxt = label(editPanel, QStringLiteral("delayTxt"), 84);
    defaultDelay = field(editPanel, QStringLiteral("defaultDelay"), QStringLiteral("10"), 84);
    delayTxt->setBuddy(defaultDelay);
    timeUnitTxt = label(editPanel, QStringLiteral("timeUnitTxt"), 85);
    loopTimesTxt = label(editPanel, QStringLiteral("loopTimesTxt"), 86);
    loopTimes = field(editPanel, QStringLiteral("loopTimes"), QStringLiteral("1"), 86);
    loopTimesTxt->setBuddy(loopTimes);
    loopTimes->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this));
    timesUnitTxt = label(editPanel, QStringLiteral("timesUnitTxt"), 87);
    insertTxt = label(editPanel, QStringLiteral("insertTxt"), 88);
    insertDirection = new LookComboBox(editPanel);
    insertDirection->setObjectName(QStringLiteral("insertDirection"));
    insertDirection->addItems({text(89), text(90)});
    insertDirection->setFixedSize(120, 24);
    insertDirection->setAccessibleName(text(88));
    StyleSheets::setComboLook(insertDirection, StyleSheets::Combo24Look);
    insertTxt->setBuddy(insertDirection);
    insertActionSW = checkBox(editPanel, QStringLiteral("insertActionSW"), 91);
    insertDelaySW = checkBox(editPanel, QStringLiteral("insertDelaySW"), 92);
    insertActionSW->setAutoExclusive(true);
    insertDelaySW->setAutoExclusive(true);
    insertActionSW->setChecked(true);
    insertLineEdit = new InputEdit(editPanel);
    insertLineEdit->setFixedSize(160, 24);
    StyleSheets::setLook(insertLineEdit, StyleSheets::LineEditLook);
    insertLineEdit->setAccessibleName(text(91));
    insertBtn = new QPushButton(text(93), editPanel);
    insertBtn->setObjectName(QStringLiteral("insertBtn"));
    insertBtn->setFixedSize(120, 30);
    StyleSheets::setLook(insertBtn, StyleSheets::MacroButtonLook);

    // Layout.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(listTxt);
    buttons->addStretch(1);
    for (QPushButton *b : {addBtn, deleteBtn, importBtn, exportBtn})
        buttons->addWidget(b);
    auto *names = new QVBoxLayout(namePanel);
    names->setContentsMargins(16, 12, 16, 12);
    names->addLayout(buttons);
    names->addWidget(nameList, 1);
    namePanel->setFixedWidth(300);

    auto *actionHead = new QHBoxLayout;
    actionHead->addWidget(valueTxt);
    actionHead->addStretch(1);
    actionHead->addWidget(valueDeleteBtn);
    auto *actions = new QVBoxLayout(actionPanel);
    actions->setContentsMargins(16, 12, 16, 12);
    actions->addLayout(actionHead);
    actions->addWidget(actionList, 1);
    actions->addWidget(fitTxt);
    actionPanel->setFixedWidth(340);

    const auto row = [](std::initializer_list<QWidget *> widgets) {
        auto *l = new QHBoxLayout;
        l->setSpacing(8);
        for (QWidget *w : widgets)
            l->addWidget(w);
        l->addStretch(1);
        return l;
    };
    auto *edit = new QVBoxLayout(editPanel);
    edit->setContentsMargins(24, 16, 24, 16);
    edit->setSpacing(14);
    edit->addLayout(row({recordBtn}));
    edit->addWidget(recordHintTxt);
    edit->addLayout(row({recordDelaySW}));
    edit->addLayout(row({delayTxt, defaultDelay, timeUnitTxt}));
    edit->addLayout(row({loopTimesTxt, loopTimes, timesUnitTxt}));
    edit->addSpacing(12);
    edit->addLayout(row({insertTxt, insertDirection}));
    edit->addLayout(row({insertActionSW, insertDelaySW}));
    edit->addLayout(row({insertLineEdit, insertBtn}));
    edit->addStretch(1);

    auto *panels = new QHBoxLayout;
    panels->setSpacing(16);
    panels->addWidget(namePanel);
    panels->addWidget(actionPanel);
    panels->addWidget(editPanel, 1);
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(24, 16, 24, 24);
    page->setSpacing(12);
    page->addWidget(macroTxt);
    page->addLayout(panels, 1);

    // Prompt, menu, message and timer.
    inputDialog.setPrompt(text(101));
    contextMenu = new QMenu(this);
    contextMenu->setObjectName(QStringLiteral("macroNameMenu"));
    StyleSheets::setLook(contextMenu, StyleSheets::ContextMenuLook);
    renameAction = contextMenu->addAction(text(94));
    deleteAction = contextMenu->addAction(text(95));
    infoBox = new QMessageBox(QMessageBox::Information, QString(), QString(), QMessageBox::Ok, this);
    infoBox->setObjectName(QStringLiteral("macroInfoBox"));
    tickTimer = new QTimer(this);
    tickTimer->setInterval(10);

    connect(nameList, &QAbstractItemView::clicked, this, &MacroWindow::selectMacroProc);
    connect(actionList, &QAbstractItemView::doubleClicked, this, &MacroWindow::changeDelayProc);
    connect(nameDelegate, &MacroViewDelegate::openContextMenu, this, &MacroWindow::openContextMenuProc);
    connect(nameList, &MacroView::openContextMenu, this, &MacroWindow::openContextMenuProc);
    connect(recordBtn, &QPushButton::clicked, this, &MacroWindow::recordBtnProc);
    connect(tickTimer, &QTimer::timeout, this, &MacroWindow::onMTTimeOut);
    m_holdTimer = new QTimer(this);
    m_holdTimer->setSingleShot(true);
    m_holdTimer->setInterval(stopHoldMs);
    connect(m_holdTimer, &QTimer::timeout, this, &MacroWindow::stopByHold);
    connect(insertActionSW, &QCheckBox::clicked, this, &MacroWindow::insertTimeSWProc);
    connect(insertDelaySW, &QCheckBox::clicked, this, &MacroWindow::insertTimeSWProc);
    connect(insertBtn, &QPushButton::clicked, this, &MacroWindow::insertBtnProc);
    connect(addBtn, &QPushButton::clicked, this, &MacroWindow::addMacroNameProc);
    connect(deleteBtn, &QPushButton::clicked, this, &MacroWindow::deleteMacroNameProc);
    connect(valueDeleteBtn, &QPushButton::clicked, this, &MacroWindow::deleteMacroActionProc);
    connect(&inputDialog, &QDialog::finished, this, &MacroWindow::inputFinished);
    connect(loopTimes, &QLineEdit::editingFinished, this, &MacroWindow::loopTimesProc);
    connect(renameAction, &QAction::triggered, this, &MacroWindow::renameActionProc);
    connect(deleteAction, &QAction::triggered, this, &MacroWindow::deleteActionProc);
    connect(importBtn, &QPushButton::clicked, this, &MacroWindow::importMacroProc);
    connect(exportBtn, &QPushButton::clicked, this, &MacroWindow::exportMacroProc);

    // The rows an Insert adds are said on the button, where the focus stays (connected after
    // the insert itself, so the click handler below runs once the rows are in).
    auto inserted = std::make_shared<QStringList>();
    auto collecting = std::make_shared<bool>(false);
    connect(insertBtn, &QPushButton::pressed, this, [inserted, collecting]() {
        inserted->clear();
        *collecting = true;
    });
    connect(actionModel, &QAbstractItemModel::rowsInserted, this,
            [this, inserted, collecting](const QModelIndex &, int first, int last) {
                if (!*collecting)
                    return;
                for (int r = first; r <= last; ++r)
                    *inserted << actionModel->index(r, 0).data(Qt::AccessibleTextRole).toString();
            });
    connect(insertBtn, &QPushButton::clicked, this, [this, inserted, collecting]() {
        *collecting = false;
        AccessibleFactory::announce(insertBtn, inserted->join(QStringLiteral(", ")));
    });
    recordBtn->installEventFilter(this);
    connect(nameList->selectionModel(), &QItemSelectionModel::currentChanged, this, &MacroWindow::followNameRow);

    recording = false;
    updateRecordButton();
    fillNameList();
    // Macros another writer added to the store (an import from the command line) show up
    // here too; the list is what the next edit hands back to the store.
    connect(MacroData::instance(), &MacroData::macroNameChanged, this, [this]() {
        const QStringList &names = MacroData::instance()->macroNames();
        const int shown = nameModel->rowCount();
        if (names.size() <= shown || names.mid(0, shown) != namesOf(nameModel))
            return;
        for (int i = shown; i < names.size(); ++i)
            nameModel->appendRow(Row{QString::number(i), names.at(i), QStringLiteral("1")});
    });
}

MacroWindow::~MacroWindow()
{
    // The children go after this object stops being a MacroWindow; their last selection
    // change or focus-out must not reach it.
    disconnect(nameList->selectionModel(), nullptr, this, nullptr);
    disconnect(loopTimes, nullptr, this, nullptr);
    m_holdTimer->stop();
}

// ---- names ----

void MacroWindow::fillNameList()
{
    nameModel->clear();
    const QStringList &names = MacroData::instance()->macroNames();
    QList<Row> rows;
    for (int i = 0; i < names.size(); ++i)
        rows.append(Row{QString::number(i), names.at(i), QStringLiteral("1")});
    nameModel->appendRows(rows);
    if (rows.isEmpty()) {
        currentMacro = -1;
        actionModel->clear();
        updateFit();
        return;
    }
    selectNameRow(0);
}

void MacroWindow::selectNameRow(int row)
{
    if (row < 0 || row >= nameModel->rowCount()) {
        currentMacro = -1;
        nameList->clearSelection();
        actionModel->clear();
        updateFit();
        return;
    }
    const QModelIndex index = nameModel->index(row, 0);
    currentMacro = row;
    nameList->setCurrentIndex(index);
    nameList->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    showMacro(row);
}

void MacroWindow::selectMacroProc(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    currentMacro = index.row();
    showMacro(currentMacro);
}

void MacroWindow::followNameRow(const QModelIndex &current)
{
    // Arrow keys and a press dragged to another row move the highlight: the buttons must act
    // on the macro highlighted.
    if (!current.isValid() || current.row() == currentMacro)
        return;
    currentMacro = current.row();
    nameList->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    showMacro(currentMacro);
}

void MacroWindow::showMacro(int macro)
{
    actionModel->clear();
    const QStringList &all = MacroData::instance()->macroActions();
    const QString actions = macro >= 0 && macro < all.size() ? all.at(macro) : QString();
    const QStringList items = actions.split(itemSeparator);
    // An empty macro still plays once when actions are added.
    loopTimes->setText(actions.isEmpty() ? QStringLiteral("1") : items.at(0));
    FormSupport::markRefused(loopTimes, QString());
    QList<Row> rows;
    for (int i = 1; i < items.size(); ++i) {
        const QStringList parts = items.at(i).split(fieldSeparator);
        if (parts.size() != 2)
            continue;
        if (parts.at(1) == QLatin1String("2"))
            rows.append(Row{MacroViewModel::delayIcon, parts.at(0), QStringLiteral("0")});
        else
            rows.append(actionRow(parts.at(0), parts.at(1) != QLatin1String("0")));
    }
    actionModel->appendRows(rows);
    updateFit();
}

void MacroWindow::saveActions(int macro)
{
    if (macro < 0)
        return;
    // The mouse keeps the loop count in two bytes; a refused count keeps the stored one.
    int loops = loopCount(loopTimes->text());
    if (loops < 0)
        loops = loopCount(MacroData::instance()->macroActions().value(macro).section(itemSeparator, 0, 0));
    const QString header = QString::number(loops < 0 ? 1 : loops);
    QString actions;
    if (actionModel->rowCount() > 0) {
        actions = header;
        for (const Row &r : actionModel->rows()) {
            QChar kind = QLatin1Char('1');
            if (r.lead == MacroViewModel::keyUpIcon || r.lead == MacroViewModel::mouseUpIcon)
                kind = QLatin1Char('0');
            else if (r.lead == MacroViewModel::delayIcon)
                kind = QLatin1Char('2');
            actions += itemSeparator + r.text + fieldSeparator + kind;
        }
    }
    QStringList &all = MacroData::instance()->macroActions();
    while (all.size() <= macro)
        all.append(QString());
    all[macro] = actions;
    updateFit();
}

int MacroWindow::fittingActions(const QString &actions, int *total)
{
    // The same record rules as the chip protocol: a 2-byte header, then one record per press
    // or release, 4 bytes when the pause before it exceeds 125 ms, else 2; writing stops once
    // a record ends past byte 185.
    const QString form = MacroData::deviceForm(actions);
    const QStringList items = form.isEmpty() ? QStringList() : form.split(itemSeparator);
    const int all = items.isEmpty() ? 0 : int(items.size()) - 1;
    if (total)
        *total = all;
    uint carried = 1;
    int pos = 2;
    int fit = 0;
    for (int i = 1; i < items.size(); ++i) {
        const QStringList fields = items.at(i).split(fieldSeparator);
        if (fields.size() != 3)
            return fit;
        pos += carried > 125 ? 4 : 2;
        ++fit;
        carried = fields.at(2).trimmed().toUInt();
        if (pos > 185)
            break;
    }
    return fit;
}

void MacroWindow::updateFit()
{
    int total = 0;
    const QStringList &all = MacroData::instance()->macroActions();
    const int fit = currentMacro >= 0 && currentMacro < all.size() ? fittingActions(all.at(currentMacro), &total) : 0;
    if (fit < total) {
        fitTxt->setText(MacroViewModel::extraText(MacroViewModel::FitWarning).arg(fit).arg(total));
        fitTxt->setAccessibleName(fitTxt->text());
        fitTxt->show();
    } else {
        fitTxt->clear();
        fitTxt->hide();
    }
}

void MacroWindow::addMacroNameProc()
{
    if (nameModel->rowCount() >= MacroData::MaxMacros) {
        showInformation(text(80), text(222).arg(MacroData::MaxMacros));
        return;
    }
    dialogMode = 0;
    inputDialog.setPrompt(text(158));
    inputDialog.setText(QString());
    inputDialog.open();
}

void MacroWindow::renameActionProc(bool)
{
    if (currentMacro < 0 || currentMacro >= nameModel->rowCount())
        return;
    dialogMode = 1;
    inputDialog.setPrompt(text(159));
    inputDialog.setText(nameModel->rows().at(currentMacro).text);
    inputDialog.open();
}

void MacroWindow::changeDelayProc(const QModelIndex &index)
{
    if (!index.isValid() || index.data(0).toString() != MacroViewModel::delayIcon)
        return;
    delayRow = index.row();
    dialogMode = 2;
    inputDialog.setPrompt(text(160));
    inputDialog.setText(index.data(1).toString());
    inputDialog.open();
}

void MacroWindow::inputFinished(int result)
{
    QString answer = result != 0 ? inputDialog.text().trimmed() : QString();
    if (answer.isEmpty())
        return;
    MacroData *store = MacroData::instance();
    switch (dialogMode) {
    case 0: {
        // The store joins names with this separator: a name holding it would come back as two.
        answer.replace(itemSeparator, QStringLiteral("@ #"));
        const int index = nameModel->rowCount();
        nameModel->appendRow(Row{QString::number(index), answer, QStringLiteral("1")});
        const QStringList names = namesOf(nameModel);
        QStringList &actions = store->macroActions();
        // A left-over action string of a deleted macro must not come back with the new name.
        if (actions.size() < names.size())
            actions.append(QString());
        else
            actions[index] = QString();
        store->setMacroNames(names);
        selectNameRow(index);
        Announcer::say(this, text(249).arg(answer));
        break;
    }
    case 1:
        if (currentMacro < 0 || currentMacro >= nameModel->rowCount())
            return;
        answer.replace(itemSeparator, QStringLiteral("@ #"));
        nameModel->setData(nameModel->index(currentMacro, 0), answer, 1);
        store->setMacroNames(namesOf(nameModel));
        relabelMacroKeys();
        break;
    case 2: {
        const int row = delayRow;
        if (row < 0 || row >= actionModel->rowCount()
            || actionModel->rows().at(row).lead != MacroViewModel::delayIcon)
            return;
        const int ms = pauseValue(answer);
        actionModel->setData(actionModel->index(row, 0), QString::number(ms < 0 ? 10 : ms), 1);
        saveActions(currentMacro);
        emit macroActionChanged(currentMacro);
        break;
    }
    default:
        break;
    }
}

void MacroWindow::deleteMacroNameProc()
{
    if (nameModel->rowCount() == 0 || currentMacro < 0 || currentMacro >= nameModel->rowCount())
        return;
    const int deleted = currentMacro;
    MacroData *store = MacroData::instance();
    if (deleted < store->macroActions().size())
        store->macroActions().removeAt(deleted);
    nameModel->removeRow(deleted);
    actionModel->clear();
    store->setMacroNames(namesOf(nameModel));
    rebindKeysAfterDelete(deleted);
    // Show the macro that is current now, so that later edits go to the macro on screen.
    const int row = nameList->currentIndex().isValid() ? nameList->currentIndex().row()
                                                       : qMin(deleted, nameModel->rowCount() - 1);
    selectNameRow(row);
}

void MacroWindow::deleteActionProc(bool)
{
    deleteMacroNameProc();
}

void MacroWindow::rebindKeysAfterDelete(int deleted)
{
    MouseData *md = MouseData::instance();
    bool changed = false;
    for (KeyFunction &k : md->keyMatrix) {
        if (k.kind != 2 || k.param1 == 255)
            continue;
        if (k.param1 == deleted) {
            // The mouse keeps its copy of a macro until told otherwise: the button is
            // disabled, on the screen and on the mouse alike.
            k.kind = k.param1 = k.param2 = k.param3 = 0;
            k.label = md->functionText(0, 0, 0, 0);
            changed = true;
        } else if (k.param1 > deleted) {
            --k.param1;
            changed = true;
        }
    }
    ProfileManager::instance()->macroDeleted(deleted);
    // While the mouse uses the factory layout it holds none of these codes.
    if (changed && md->isDefaultKey == 1)
        md->sendAllKeys();
    relabelMacroKeys();
    if (changed)
        emit md->refreashData(md->isDefaultKey == 1 ? 1 : 0);
}

void MacroWindow::relabelMacroKeys()
{
    MouseData *md = MouseData::instance();
    bool changed = false;
    for (KeyFunction &k : md->keyMatrix) {
        if (k.kind != 2)
            continue;
        const QString label = md->functionText(k.kind, k.param1, k.param2, k.param3);
        changed = changed || label != k.label;
        k.label = label;
    }
    // Redraw the key pages in the layout they show now.
    if (changed)
        emit md->refreashData(md->isDefaultKey == 1 ? 1 : 0);
}

void MacroWindow::openContextMenuProc(QPoint pos)
{
    const int n = nameModel->rowCount();
    if (n == 0)
        return;
    // The position is the viewport's, so a scrolled list still names the row under it.
    const QModelIndex at = nameList->indexAt(pos);
    const int row = at.isValid() ? at.row() : (pos.y() < 0 ? 0 : n - 1);
    if (row != currentMacro || nameList->currentIndex().row() != row)
        selectNameRow(row);
    contextMenu->popup(nameList->viewport()->mapToGlobal(pos));
    contextMenu->setActiveAction(renameAction);
}

// ---- actions ----

void MacroWindow::insertTimeSWProc()
{
    insertLineEdit->setNumberMode(!insertActionSW->isChecked());
    insertLineEdit->setAccessibleName(text(insertLineEdit->numberMode ? 92 : 91));
}

void MacroWindow::insertBtnProc()
{
    if (actionModel->rowCount() > insertLimit) {
        showInformation(text(96), text(97));
        return;
    }
    if (currentMacro < 0)
        return;
    const QModelIndexList selected = actionList->selectionModel()->selectedIndexes();
    // An empty macro has no row to choose; it takes the first actions as they are.
    if (selected.isEmpty() && actionModel->rowCount() > 0)
        return;
    const int base = selected.isEmpty() ? 0 : selected.first().row();
    int position = base + (insertDirection->currentIndex() == 1 && !selected.isEmpty() ? 1 : 0);

    QList<Row> rows;
    if (insertDelaySW->isChecked()) {
        const int ms = pauseValue(insertLineEdit->text());
        if (ms < 0)
            return;
        rows.append(pauseRow(ms));
    } else {
        const QString t = insertLineEdit->text();
        // Only a captured key or button: any other text would reach the mouse as key code 0.
        if (!InputEdit::isActionName(t))
            return;
        rows = {actionRow(t, true), pauseRow(10), actionRow(t, false), pauseRow(10)};
    }
    for (const Row &r : rows)
        actionModel->insertRow(r, position++);
    saveActions(currentMacro);
    emit macroActionChanged(currentMacro);
}

void MacroWindow::deleteMacroActionProc()
{
    if (actionModel->rowCount() == 0)
        return;
    const QModelIndexList selected = actionList->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const int row = selected.first().row();
    actionModel->removeRow(row);
    saveActions(currentMacro);
    if (actionModel->rowCount() > 0) {
        const QModelIndex next = actionModel->index(qMin(row, actionModel->rowCount() - 1), 0);
        actionList->setCurrentIndex(next);
        actionList->selectionModel()->select(next, QItemSelectionModel::ClearAndSelect);
    }
    emit macroActionChanged(currentMacro);
}

void MacroWindow::loopTimesProc()
{
    // Keeps the focus where a keyboard user left it; the selection shows the count was taken.
    loopTimes->selectAll();
    // A count the mouse cannot hold is refused where the user typed it, not stored as 1.
    const bool good = loopCount(loopTimes->text()) >= 0;
    FormSupport::markRefused(loopTimes, good ? QString() : text(132));
    if (!good)
        return;
    const QStringList &all = MacroData::instance()->macroActions();
    const QString before = currentMacro >= 0 && currentMacro < all.size() ? all.at(currentMacro) : QString();
    saveActions(currentMacro);
    // The mouse plays the stored count: tell it when it changed.
    if (currentMacro >= 0 && all.value(currentMacro) != before)
        emit macroActionChanged(currentMacro);
}

void MacroWindow::clearActionProc()
{
    if (currentMacro == -1)
        return;
    actionModel->clear();
    saveActions(currentMacro);
}

// ---- recording ----

void MacroWindow::updateRecordButton()
{
    recordBtn->setText(text(recording ? 228 : 229));
    recordBtn->setIcon(Pictures::icon(recording ? QStringLiteral(":/macro/images/macro/record.png")
                                       : QStringLiteral(":/macro/images/macro/stop.png")));
    // On and off are a state to a screen reader, as a toggle button's.
    recordBtn->setAccessibleName(MacroViewModel::extraText(MacroViewModel::Record));
    ButtonAccessible::setChecked(recordBtn, recording);
}

void MacroWindow::recordBtnProc()
{
    if (currentMacro == -1)
        return;
    if (recording) {
        stopRecording();
        return;
    }
    clearActionProc();
    recording = true;
    m_held.clear();
    m_lastRelease = LastRelease();
    m_stopRows = -1;
    updateRecordButton();
    tickCount = 0;
    tickTimer->start();
    Announcer::say(recordBtn, text(247) + QLatin1Char(' ') + text(133));
}

void MacroWindow::stopRecording()
{
    if (!recording)
        return;
    recording = false;
    m_holdTimer->stop();
    // Stopped by the button while the stop key is down: its press is the macro's after all.
    if (m_stopRows >= 0)
        saveActions(currentMacro);
    m_held.clear();
    m_stopRows = -1;
    updateRecordButton();
    // The focus stays on the button: the user goes on from where the recording was.
    tickTimer->stop();
    int keys = 0;
    for (const auto &row : actionModel->rows())
        keys += row.lead != MacroViewModel::delayIcon ? 1 : 0;
    emit macroActionChanged(currentMacro);
    if (isVisible())
        Announcer::say(recordBtn, text(248).arg(keys));
}

void MacroWindow::hideEvent(QHideEvent *event)
{
    stopRecording();
    QFrame::hideEvent(event);
}

void MacroWindow::onMTTimeOut()
{
    if (!recording)
        return;
    // Never pull the keyboard away from a page the user cannot see.
    if (!isVisible()) {
        stopRecording();
        return;
    }
    if (!recordBtn->hasFocus())
        recordBtn->setFocus(Qt::OtherFocusReason);
    ++tickCount;
}

namespace {
quint32 keyIdentity(const QKeyEvent *event)
{
    return event->nativeScanCode() != 0 ? event->nativeScanCode() : 0x80000000u | quint32(event->key());
}

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

bool MacroWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != recordBtn)
        return QFrame::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QFrame::eventFilter(watched, event);
    event->accept();
    if (!recording)
        return type == QEvent::ShortcutOverride ? false : QFrame::eventFilter(watched, event);
    // While recording every key is the macro's: Space and Enter do not press the button,
    // Tab does not move the focus, and no shortcut fires.
    if (type != QEvent::ShortcutOverride)
        recordingKeyEvent(static_cast<QKeyEvent *>(event));
    return true;
}

void MacroWindow::recordingKeyEvent(const QKeyEvent *event)
{
    const quint32 id = keyIdentity(event);
    const bool isStopKey = event->key() == stopKey;
    if (event->type() == QEvent::KeyPress) {
        const bool afterRelease = m_lastRelease.rowsBefore >= 0 && m_lastRelease.key == id
            && m_lastRelease.time != 0 && m_lastRelease.time == event->timestamp();
        if (afterRelease) {
            // X sends auto-repeat as a release and a press with one time stamp: undo the release.
            while (actionModel->rowCount() > m_lastRelease.rowsBefore)
                actionModel->removeRow(actionModel->rowCount() - 1);
            tickCount = m_lastRelease.ticksBefore;
            saveActions(currentMacro);
            m_held.append(id);
        }
        m_lastRelease = LastRelease();
        if (afterRelease || event->isAutoRepeat() || m_held.contains(id)) {
            if (isStopKey && id == m_stopKeyId && monotonicMs() - m_stopPressedAt >= stopHoldMs)
                stopByHold();
            return;
        }
        m_held.append(id);
        const int rowsBefore = actionModel->rowCount();
        recordKey(true, event, !isStopKey);
        if (isStopKey) {
            m_stopRows = rowsBefore;
            m_stopKeyId = id;
            m_stopPressedAt = monotonicMs();
            m_holdTimer->start();
        }
        return;
    }
    // A release whose press was not seen here (the key went down before the recording, or a
    // screen reader kept the press) ends nothing.
    if (event->isAutoRepeat() || !m_held.contains(id))
        return;
    m_held.removeAll(id);
    m_lastRelease = LastRelease{id, event->timestamp(), actionModel->rowCount(), tickCount};
    recordKey(false, event);
}

void MacroWindow::stopByHold()
{
    // The stop key must still be down: a tap of it is an ordinary key of the macro.
    if (!recording || m_stopRows < 0 || !m_held.contains(m_stopKeyId))
        return;
    while (actionModel->rowCount() > m_stopRows)
        actionModel->removeRow(actionModel->rowCount() - 1);
    m_stopRows = -1;
    saveActions(currentMacro);
    stopRecording();
}

void MacroWindow::recordKey(bool press, const QKeyEvent *event, bool save)
{
    if (actionModel->rowCount() > recordLimit) {
        showInformation(text(96), text(97));
        return;
    }
    const QString name = InputEdit::codeName(InputEdit::keyCode(event));
    // A key without a name would reach the mouse as key code 0, pressed and never released.
    if (name.isEmpty())
        return;
    int pause = 10;
    if (recordDelaySW->isChecked()) {
        pause = tickCount * 10;
        tickCount = 0;
    } else {
        bool ok = false;
        const double typed = defaultDelay->text().trimmed().toDouble(&ok);
        if (ok && typed >= 0 && typed <= maxPause)
            pause = qRound(typed);
    }
    if (actionModel->rowCount() == 0) {
        actionModel->appendRow(actionRow(name, press));
    } else {
        actionModel->appendRow(pauseRow(qMin(press ? pause : 10, maxPause)));
        actionModel->appendRow(actionRow(name, press));
    }
    if (save)
        saveActions(currentMacro);
    actionList->scrollToBottom();
}

void MacroWindow::showInformation(const QString &title, const QString &message)
{
    infoBox->setWindowTitle(title);
    infoBox->setText(message);
    infoBox->open();
}

// ---- exchange files ----

QString MacroWindow::exportFileName()
{
    const QString name = currentMacro >= 0 && currentMacro < nameModel->rowCount() ? nameModel->rows().at(currentMacro).text
                                                                                   : QString();
    return FileDialogs::askSave(this, QStringLiteral("Save File"), QStringLiteral("Macro(*.mc)"), QStringLiteral("mc"),
                                name);
}

QString MacroWindow::importFileName()
{
    return FileDialogs::askOpen(this, QStringLiteral("Open File"), QStringLiteral("Macro(*.mc)"));
}

void MacroWindow::exportMacroProc()
{
    if (currentMacro < 0 || currentMacro >= nameModel->rowCount())
        return;
    // The import dialog lists *.mc only: the name comes back with the suffix.
    const QString file = FileDialogs::withSuffix(exportFileName(), QStringLiteral("mc"));
    if (file.isEmpty())
        return;
    if (!MacroData::instance()->exportMacro(currentMacro, file))
        showInformation(text(80), MacroViewModel::extraText(MacroViewModel::ExportFailed));
}

void MacroWindow::importMacroProc()
{
    const QString file = importFileName();
    if (file.isEmpty())
        return;
    QString error;
    QStringList skipped;
    const QString shown = QDir::toNativeSeparators(file);
    if (MacroData::instance()->importMacros(file, &error, &skipped) < 0) {
        showInformation(text(80), text(134).arg(shown, error));
        return;
    }
    fillNameList();
    if (!skipped.isEmpty())
        showInformation(text(80), text(135).arg(shown, skipped.join(QStringLiteral("; "))));
}
