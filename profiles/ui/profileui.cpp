#include "profiles/ui/profileui.h"

#include <QActionGroup>
#include <QBoxLayout>
#include <QFrame>
#include <QMenu>

#include "app/mainwindow.h"
#include "model/mousedata.h"
#include "pages/keys/funbtnwindow.h"
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
        QAction *a = menu->addAction(name);
        a->setCheckable(true);
        a->setChecked(name == profiles->activeName());
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, profiles, [name] { ProfileManager::instance()->activate(name); });
    }
}

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
    const auto showFor = [bar](int page) { bar->setVisible(page >= 0 && page <= 2); };
    QObject::connect(w->funBtn, &funBtnWindow::windowSelect, bar, showFor);
    showFor(w->currentPage);

    auto *holder = new AutoSwitchHolder(w);
    QObject::connect(bar, &ProfileBar::rulesRequested, w, [w, holder] {
        auto *dialog = new ProfileRulesDialog(holder->source && holder->source->available(), w);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });

    auto *submenu = new QMenu(MouseData::instance()->languageText(200), w->trayMenu);
    submenu->setObjectName(QStringLiteral("profilesMenu"));
    submenu->setStyleSheet(StyleSheets::menu(StyleSheets::TrayMenu));
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
        w->dpiPage->showProfile();
        w->lightPage->showProfile();
    });
    QObject::connect(profiles, &ProfileManager::macrosImported, w->macroPage, &MacroWindow::fillNameList);
}
