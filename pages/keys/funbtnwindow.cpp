#include "pages/keys/funbtnwindow.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "model/mousedata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "resources/stylesheets.h"
#include "resources/pictures.h"

funBtnWindow::funBtnWindow(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("funBtnWindow"));
    setMinimumWidth(76);
    setMaximumWidth(76);
    setMinimumHeight(696);
    setMaximumHeight(30000);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 9, 9, 9);
    layout->setSpacing(6);

    struct Def
    {
        QPushButton **member;
        const char *name;
        const char *icon;
    };
    const Def defs[] = {
        {&keyBtn, "keyBtn", ":/funBtn/images/funBtn/keyFunBtn.png"},
        {&dpiBtn, "dpiBtn", ":/funBtn/images/funBtn/dpiFunBtn.png"},
        {&lightBtn, "lightBtn", ":/funBtn/images/funBtn/lightFunBtn.png"},
        {&macroBtn, "macroBtn", ":/funBtn/images/funBtn/macroFunBtn.png"},
        {&sensorBtn, "sensorBtn", ":/funBtn/images/funBtn/lodFunBtn.png"},
    };
    for (const Def &d : defs) {
        auto *b = new QPushButton(this);
        b->setObjectName(QLatin1String(d.name));
        b->setFlat(true);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setMinimumSize(58, 58);
        b->setMaximumSize(58, 58);
        b->setIcon(Pictures::icon(QLatin1String(d.icon)));
        b->setIconSize(QSize(32, 32));
        b->setFocusPolicy(Qt::TabFocus);
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, &funBtnWindow::tempWindowSelect);
        *d.member = b;
    }
    layout->addStretch(1);
    keyBtn->setChecked(true);
    const QList<QPushButton *> pages = buttons();
    AccessibleFactory::tabToChecked({pages.begin(), pages.end()});

    StyleSheets::setLook(this, StyleSheets::NavColumnLook);

    setAccessibleNames();
}

QList<QPushButton *> funBtnWindow::buttons() const
{
    return {keyBtn, dpiBtn, lightBtn, macroBtn, sensorBtn};
}

void funBtnWindow::setAccessibleNames()
{
    // The buttons show only icons; screen readers announce these page names instead.
    const MouseData *md = MouseData::instance();
    const int numbers[] = {0, 61, 70, 80, 118};
    const QList<QPushButton *> list = buttons();
    for (int i = 0; i < list.size(); ++i) {
        const QString name = md->languageText(numbers[i]);
        list[i]->setAccessibleName(name);
        list[i]->setToolTip(name);
    }
}

void funBtnWindow::tempWindowSelect()
{
    const QList<QPushButton *> list = buttons();
    for (int i = 0; i < list.size(); ++i) {
        if (list[i]->isChecked()) {
            emit windowSelect(i);
            return;
        }
    }
}

void funBtnWindow::setCurrentButton(int index)
{
    const QList<QPushButton *> list = buttons();
    if (index < 0 || index >= list.size())
        return;
    list[index]->setChecked(true);
}

void funBtnWindow::setLightButtonVisible(bool visible)
{
    lightBtn->setVisible(visible);
}
