#include "pages/keys/macromenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/keys/keysaccessible.h"
#include "pages/keys/listsupport.h"
#include "resources/lookcombobox.h"

MacroMenu::MacroMenu(QWidget *parent) : QFrame(parent)
{
    KeysAccessible::install();
    const MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("MacroMenu"));

    macroTxt = new QLabel(md->languageText(27), this);
    macroTxt->setObjectName(QStringLiteral("macroTxt"));
    optionList = new LookComboBox(this);
    optionList->setObjectName(QStringLiteral("optionList"));
    optionList->setAccessibleName(md->languageText(27));
    macroTxt->setBuddy(optionList);
    macroOptionTxt = new QLabel(md->languageText(28), this);
    macroOptionTxt->setObjectName(QStringLiteral("macroOptionTxt"));

    const int optionTexts[] = {29, 30, 31};
    QCheckBox **options[] = {&macroOption0, &macroOption1, &macroOption2};
    for (int i = 0; i < 3; ++i) {
        auto *box = new QCheckBox(md->languageText(optionTexts[i]), this);
        box->setObjectName(QStringLiteral("macroOption%1").arg(i));
        box->setAutoExclusive(true);
        StyleSheets::setLook(box, StyleSheets::FocusCheckBoxLook);
        *options[i] = box;
    }
    macroOption0->setChecked(true);

    QHBoxLayout *buttons = ListSupport::saveCancelRow(this, saveBtn, cancelBtn);

    // Named before it gets any text, so that the accessibility factory sees the link.
    macroBtn = new QLabel(this);
    macroBtn->setObjectName(QStringLiteral("macroBtn"));
    macroBtn->setText(QStringLiteral("<u>%1</u>").arg(md->languageText(32).toHtmlEscaped()));
    macroBtn->setTextFormat(Qt::RichText);
    macroBtn->setFocusPolicy(Qt::StrongFocus);
    macroBtn->setCursor(Qt::PointingHandCursor);
    macroBtn->setAccessibleName(md->languageText(32));
    StyleSheets::setLook(macroBtn, StyleSheets::MacroBindLabelLook);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 20, 12, 9);
    layout->setSpacing(10);
    layout->addWidget(macroTxt);
    layout->addWidget(optionList);
    layout->addWidget(macroOptionTxt);
    layout->addWidget(macroOption0);
    layout->addWidget(macroOption1);
    layout->addWidget(macroOption2);
    layout->addLayout(buttons);
    layout->addWidget(macroBtn);
    layout->addStretch(1);

    setMinimumSize(176, 0);
    setMaximumWidth(500);
    ListSupport::styleColumn(this, false);
    StyleSheets::setLook(macroTxt, StyleSheets::PlainLabelLook);
    StyleSheets::setLook(macroOptionTxt, StyleSheets::PlainLabelLook);
    ListSupport::styleCombo(optionList);

    setTabOrder(optionList, macroOption0);
    setTabOrder(macroOption0, macroOption1);
    setTabOrder(macroOption1, macroOption2);
    setTabOrder(macroOption2, saveBtn);
    setTabOrder(saveBtn, cancelBtn);
    setTabOrder(cancelBtn, macroBtn);

    macroNameChanged();
    connect(saveBtn, &QPushButton::clicked, this, &MacroMenu::saveBtnProc);
    connect(cancelBtn, &QPushButton::clicked, this, &MacroMenu::cancelBtnProc);
    connect(MacroData::instance(), &MacroData::macroNameChanged, this, &MacroMenu::macroNameChanged);
    macroBtn->installEventFilter(this);
}

uchar MacroMenu::playMode() const
{
    if (macroOption0->isChecked())
        return 1;
    if (macroOption1->isChecked())
        return 3;
    if (macroOption2->isChecked())
        return 2;
    return 0;
}

void MacroMenu::saveBtnProc()
{
    if (optionList->count() == 0 || optionList->currentIndex() < 0)
        return;
    MouseData *md = MouseData::instance();
    const QString name = optionList->currentText();
    const int m = optionList->currentIndex();
    const uchar k = md->currentKey;
    md->setKeyFunction(2, uchar(m), playMode(), k, name);
    MacroData::instance()->sendMacro(m, k);
}

void MacroMenu::cancelBtnProc() {}

void MacroMenu::macroNameChanged()
{
    optionList->clear();
    optionList->addItems(MacroData::instance()->macroNames());
}

void MacroMenu::openMacroPage()
{
    emit windowSelect(3);
}

bool MacroMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == macroBtn) {
        if (event->type() == QEvent::MouseButtonPress) {
            // The main window's release handling clears this; keyboard and screen-reader
            // activations have no release to follow, so only a press sets it.
            MouseData::instance()->dragActive = 1;
            openMacroPage();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                openMacroPage();
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}
