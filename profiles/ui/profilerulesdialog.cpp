#include "profiles/ui/profilerulesdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "platform/activewindow.h"
#include "profiles/profilemanager.h"
#include "profiles/ui/profilebar.h"
#if defined(Q_OS_LINUX) && defined(MOUSECFG_HAVE_DBUS)
#include "platform/linux/gnomeactivewindow.h"
#endif
#include "resources/lookcombobox.h"
#include "resources/stylesheets.h"

namespace {
QString languageText(int n)
{
    return MouseData::instance()->languageText(n);
}
} // namespace

ProfileRulesDialog::ProfileRulesDialog(const ActiveWindow *source, QWidget *parent)
    : QDialog(parent), m_source(source), m_desktopTells(source && source->available())
{
    setObjectName(QStringLiteral("profileRulesDialog"));
    setWindowTitle(languageText(199));
    StyleSheets::setLook(this, StyleSheets::RulesDialogLook);
    resize(640, 400);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(12);

    stateTxt = new QLabel(this);
    stateTxt->setObjectName(QStringLiteral("stateTxt"));
    stateTxt->setWordWrap(true);
    StyleSheets::setLook(stateTxt, StyleSheets::PlainLabelLook);
    column->addWidget(stateTxt);

    ruleTable = new QTableWidget(0, 2, this);
    ruleTable->setObjectName(QStringLiteral("ruleTable"));
    ruleTable->setHorizontalHeaderLabels({languageText(201), languageText(191)});
    ruleTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ruleTable->verticalHeader()->hide();
    ruleTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    StyleSheets::setLook(ruleTable, StyleSheets::RuleTableLook);
    column->addWidget(ruleTable, 1);

    auto *buttons = new QHBoxLayout;
    addRuleBtn = new QPushButton(languageText(202), this);
    addRuleBtn->setObjectName(QStringLiteral("addRuleBtn"));
    addRunningBtn = new QPushButton(languageText(242), this);
    addRunningBtn->setObjectName(QStringLiteral("addRunningBtn"));
    addRunningBtn->setEnabled(m_desktopTells);
    removeRuleBtn = new QPushButton(languageText(203), this);
    removeRuleBtn->setObjectName(QStringLiteral("removeRuleBtn"));
    for (QPushButton *b : {addRuleBtn, addRunningBtn, removeRuleBtn}) {
        StyleSheets::setLook(b, StyleSheets::PushButtonLook);
        b->setFixedHeight(27);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto *defaultRow = new QHBoxLayout;
    auto *defaultTxt = new QLabel(languageText(204), this);
    StyleSheets::setLook(defaultTxt, StyleSheets::PlainLabelLook);
    defaultComboBox = new LookComboBox(this);
    defaultComboBox->setObjectName(QStringLiteral("defaultComboBox"));
    defaultComboBox->setMinimumWidth(200);
    StyleSheets::setComboLook(defaultComboBox, StyleSheets::Combo24Look);
    defaultTxt->setBuddy(defaultComboBox);
    defaultRow->addWidget(defaultTxt);
    defaultRow->addWidget(defaultComboBox, 1);
    column->addLayout(defaultRow);

    auto *closeRow = new QHBoxLayout;
    auto *closeBtn = new QPushButton(languageText(214), this);
    closeBtn->setObjectName(QStringLiteral("closeRulesBtn"));
    StyleSheets::setLook(closeBtn, StyleSheets::PushButtonLook);
    closeBtn->setFixedSize(96, 27);
    connect(closeBtn, &QPushButton::clicked, this, &QDialog::accept);
    closeRow->addStretch(1);
    closeRow->addWidget(closeBtn);
    column->addLayout(closeRow);

    connect(addRuleBtn, &QPushButton::clicked, this, [this] {
        const QString program = askProgram();
        if (!program.isEmpty())
            addRule(program);
    });
    connect(addRunningBtn, &QPushButton::clicked, this, &ProfileRulesDialog::offerRunning);
    connect(removeRuleBtn, &QPushButton::clicked, this, [this] {
        const int row = ruleTable->currentRow();
        if (row >= 0) {
            ruleTable->removeRow(row);
            store();
        }
    });
    connect(defaultComboBox, &QComboBox::currentIndexChanged, this, [this] { store(); });
    connect(ruleTable, &QTableWidget::itemChanged, this, [this] { store(); });
#if defined(Q_OS_LINUX) && defined(MOUSECFG_HAVE_DBUS)
    // The shell's extension may start reporting, or be switched off, while the dialog is open.
    if (const auto *gnome = qobject_cast<const GnomeActiveWindow *>(source)) {
        connect(gnome, &GnomeActiveWindow::stateChanged, this, [this, gnome] {
            m_desktopTells = gnome->available();
            addRunningBtn->setEnabled(m_desktopTells);
            showState(ruleTable->rowCount() == 0);
        });
    }
#endif
    fill();
}

QComboBox *ProfileRulesDialog::profileBox(int file)
{
    auto *box = new LookComboBox(ruleTable);
    const ProfileIndex &index = ProfileManager::instance()->index();
    for (const ProfileIndex::Entry &e : index.profiles)
        box->addItem(ProfileBar::elided(e.name, box->font()), e.file);
    box->setCurrentIndex(qMax(0, index.positionOfFile(file)));
    StyleSheets::setComboLook(box, StyleSheets::Combo24Look);
    connect(box, &QComboBox::currentIndexChanged, this, [this] { store(); });
    return box;
}

void ProfileRulesDialog::fill()
{
    m_filling = true;
    const ProfileIndex &index = ProfileManager::instance()->index();
    ruleTable->setRowCount(0);
    for (const ProfileIndex::Rule &r : index.rules) {
        const int row = ruleTable->rowCount();
        ruleTable->insertRow(row);
        ruleTable->setItem(row, 0, new QTableWidgetItem(r.program));
        ruleTable->setCellWidget(row, 1, profileBox(r.file));
    }
    defaultComboBox->clear();
    defaultComboBox->addItem(languageText(205), -1);
    for (const ProfileIndex::Entry &e : index.profiles)
        defaultComboBox->addItem(ProfileBar::elided(e.name, defaultComboBox->font()), e.file);
    defaultComboBox->setCurrentIndex(qMax(0, defaultComboBox->findData(index.defaultFile)));
    showState(index.rules.isEmpty());
    m_filling = false;
}

void ProfileRulesDialog::addRule(const QString &program)
{
    const int row = ruleTable->rowCount();
    ruleTable->insertRow(row);
    ruleTable->setItem(row, 0, new QTableWidgetItem(program));
    ruleTable->setCellWidget(row, 1, profileBox(ProfileManager::instance()->index().active));
    store();
}

void ProfileRulesDialog::store()
{
    if (m_filling)
        return;
    QList<ProfileIndex::Rule> rules;
    for (int row = 0; row < ruleTable->rowCount(); ++row) {
        const auto *box = qobject_cast<QComboBox *>(ruleTable->cellWidget(row, 1));
        if (ruleTable->item(row, 0) && box)
            rules.append({ruleTable->item(row, 0)->text(), box->currentData().toInt()});
    }
    ProfileManager::instance()->setRules(rules, defaultComboBox->currentData().toInt());
    showState(rules.isEmpty());
}

void ProfileRulesDialog::showState(bool noRules)
{
#if defined(Q_OS_LINUX) && defined(MOUSECFG_HAVE_DBUS)
    // GNOME runs the extension only after what the user has to do; say what that is.
    if (const auto *gnome = qobject_cast<const GnomeActiveWindow *>(m_source); gnome && !m_desktopTells && gnome->adviceText()) {
        stateTxt->setText(languageText(237).arg(languageText(240)) + QLatin1Char(' ') + languageText(gnome->adviceText()));
        return;
    }
#endif
    if (!m_desktopTells) {
        stateTxt->setText(languageText(206));
        return;
    }
    int sourceText = 238;
    switch (m_source->kind()) {
    case ActiveWindow::Kind::KWin: sourceText = 239; break;
    case ActiveWindow::Kind::GnomeShell: sourceText = 240; break;
    case ActiveWindow::Kind::Wlroots: sourceText = 241; break;
    case ActiveWindow::Kind::X11:
    case ActiveWindow::Kind::None: break;
    }
    stateTxt->setText(languageText(237).arg(languageText(sourceText)) + QLatin1Char(' ')
                      + languageText(noRules ? 215 : 207));
}

void ProfileRulesDialog::offerRunning()
{
    // The applications the desktop named in front this run; the application id where there is
    // one, since it outlives an upgrade and every desktop gives it.
    QMenu menu(this);
    StyleSheets::setLook(&menu, StyleSheets::ContextMenuLook);
    const QList<ActiveWindow::Seen> seen = m_source ? m_source->seen() : QList<ActiveWindow::Seen>();
    for (const ActiveWindow::Seen &s : seen) {
        const QString rule = s.appId.isEmpty() ? s.program : s.appId;
        if (rule.isEmpty() || s.program == QCoreApplication::applicationFilePath())
            continue;
        QAction *a = menu.addAction(s.appId.isEmpty() || s.program.isEmpty()
                                        ? rule
                                        : QStringLiteral("%1 (%2)").arg(s.appId, s.program));
        a->setData(rule);
    }
    if (menu.isEmpty())
        menu.addAction(languageText(243))->setEnabled(false);
    if (QAction *chosen = menu.exec(addRunningBtn->mapToGlobal(QPoint(0, addRunningBtn->height()))))
        if (!chosen->data().toString().isEmpty())
            addRule(chosen->data().toString());
}

QString ProfileRulesDialog::askProgram()
{
    return QFileDialog::getOpenFileName(this, languageText(202), QStringLiteral("/usr/bin"));
}
