#include "profiles/ui/profileui.h"

#include <QActionGroup>
#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QMenu>
#include <QPushButton>

#include "app/mainwindow.h"
#include "model/mousedata.h"
#include "pages/performance/sensorwindow.h"
#include "pages/macro/macrowindow.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "platform/activewindow.h"
#include "profiles/profileautoswitch.h"
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"
#include "profiles/ui/profilebar.h"
#include "profiles/ui/profilerulesdialog.h"
#include "resources/stylesheets.h"

namespace {
void fillTrayMenu(QMenu *menu)
{
    menu->clear();
    ProfileManager *profiles = ProfileManager::instance();
    auto *group = new QActionGroup(menu);
    for (const QString &name : profiles->names()) {
        QAction *a = menu->addAction(ProfileBar::elided(name, menu->font()));
        a->setToolTip(name);
        a->setCheckable(true);
        a->setChecked(name == profiles->activeName());
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, profiles, [name] { ProfileManager::instance()->activate(name); });
    }
}

// Hides the chooser while one of `pages` is shown.
class PageWatcher : public QObject
{
public:
    explicit PageWatcher(QWidget *bar) : QObject(bar), m_bar(bar) {}
    void watch(QWidget *page)
    {
        m_pages << page;
        page->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Sent whether or not the window itself is visible.
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            bool other = false;
            for (QWidget *p : std::as_const(m_pages))
                other = other || (p == watched ? event->type() == QEvent::ShowToParent : !p->isHidden());
            m_bar->setVisible(!other);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_bar;
    QList<QWidget *> m_pages;
};

// Owns the desktop's active-window source and the switcher fed by it, for the window's life.
class AutoSwitchHolder : public QObject
{
public:
    explicit AutoSwitchHolder(QObject *parent) : QObject(parent), source(ActiveWindow::create()), switcher(this)
    {
        if (source)
            connect(source.get(), &ActiveWindow::programChanged, &switcher, &ProfileAutoSwitch::programInFront);
    }
    std::unique_ptr<ActiveWindow> source;
    ProfileAutoSwitch switcher;
};
} // namespace

void ProfileUi::install(MainWindow *w)
{
    // From now on every command sent is recorded, so that a switch sends only what differs.
    ProfileSync::instance();
    auto *bar = new ProfileBar(w->titleFrame);
    if (auto *row = qobject_cast<QBoxLayout *>(w->titleFrame->layout()))
        row->insertWidget(1, bar);
    // Tab goes left to right: the chooser and its menu come before the settings button.
    if (QWidget *before = w->settingBtn->previousInFocusChain(); before && before != bar->profileComboBox) {
        QWidget::setTabOrder(before, bar->profileComboBox);
        QWidget::setTabOrder(bar->profileComboBox, bar->profileMenuBtn);
    }
    // Over the key, DPI and lighting pages only, however the page was chosen.
    auto *watcher = new PageWatcher(bar);
    for (QWidget *page : {static_cast<QWidget *>(w->macroPage.built()), static_cast<QWidget *>(w->sensorPage.built())}) {
        if (page)
            watcher->watch(page);
    }
    QObject::connect(w, &MainWindow::partBuilt, watcher, [w, watcher](QWidget *part) {
        if (part == w->macroPage.built() || part == w->sensorPage.built())
            watcher->watch(part);
    });

    auto *holder = new AutoSwitchHolder(w);
    QObject::connect(bar, &ProfileBar::rulesRequested, w, [w, holder] {
        auto *dialog = new ProfileRulesDialog(holder->source.get(), w);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });

    auto *submenu = new QMenu(MouseData::instance()->languageText(200), w->trayMenu);
    submenu->setObjectName(QStringLiteral("profilesMenu"));
    StyleSheets::setLook(submenu, StyleSheets::TrayMenuLook);
    const QList<QAction *> actions = w->trayMenu->actions();
    w->trayMenu->insertMenu(actions.isEmpty() ? nullptr : actions.first(), submenu);
    w->trayMenu->insertSeparator(actions.isEmpty() ? nullptr : actions.first());
    fillTrayMenu(submenu);

    ProfileManager *profiles = ProfileManager::instance();
    QObject::connect(profiles, &ProfileManager::listChanged, submenu, [submenu] { fillTrayMenu(submenu); });
    QObject::connect(profiles, &ProfileManager::activeChanged, submenu, [submenu] { fillTrayMenu(submenu); });
    QObject::connect(profiles, &ProfileManager::activeChanged, w, [w] {
        MouseData *md = MouseData::instance();
        emit md->refreashData(md->isDefaultKey == 1 ? 1 : 0);
        // A page not built yet reads the profile when it is.
        if (DPIWindow *dpi = w->dpiPage.built())
            dpi->showProfile();
        if (LightWindow *light = w->lightPage.built())
            light->showProfile();
    });
    QObject::connect(profiles, &ProfileManager::macrosImported, w, [w] {
        if (MacroWindow *macros = w->macroPage.built())
            macros->fillNameList();
    });
}
