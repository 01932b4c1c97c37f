#include "app/mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include <iterator>

#include "app/noticebar.h"
#include "app/updatedialog.h"
#include "app/windowbackground.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/attachpolicy.h"
#include "model/languagetable.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "pages/keys/childmenuwindow.h"
#include "pages/keys/dpimenu.h"
#include "pages/keys/funbtnwindow.h"
#include "pages/keys/keyboardfunctionmenu.h"
#include "pages/keys/macromenu.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/mousefunctionmenu.h"
#include "pages/keys/mousewindow.h"
#include "pages/keys/runmenu.h"
#include "pages/keys/shortcutmenu.h"
#include "pages/keys/submenuwindow.h"
#include "pages/macro/macrowindow.h"
#include "pages/performance/dpiwindow.h"
#include "pages/performance/lightwindow.h"
#include "pages/performance/sensorwindow.h"
#include "platform/autostart.h"
#include "platform/desktopnotifications.h"
#include "platform/devicenotifier.h"
#include "platform/framelesshelper.h"
#include "platform/updateprogram.h"
#include "profiles/ui/profileui.h"
#include "resources/pictures.h"
#include "resources/stylesheets.h"

#ifdef Q_OS_WIN
#include "platform/hittest.h"
#include <windows.h>
#include <windowsx.h>
#endif

namespace {

MainWindow *s_window = nullptr;
int s_trayOverride = -1;

constexpr int BalloonMs = 10000;
constexpr int FailureQuietMs = 1500;
constexpr int TitleHeight = 40;
// Width of the key list, the category list and each picker; the mouse page takes the rest,
// its markers needing MousePageMinWidth at most.
constexpr int KeyColumnWidth = 176;
constexpr int MousePageMinWidth = 580;
// Presses above this line are on the title bar or the column captions.
constexpr int MenuCaptionBottom = 80;


void setTitleButtonLook(QPushButton *button, bool hovered)
{
    // The settings button opens a menu and shows no menu arrow.
    if (button->objectName() == QLatin1String("settingBtn"))
        StyleSheets::setLook(button, hovered ? StyleSheets::SettingButtonHoverLook : StyleSheets::SettingButtonLook);
    else
        StyleSheets::setLook(button, hovered ? StyleSheets::TitleButtonHoverLook : StyleSheets::TitleButtonLook);
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    s_window = this;
    // Before any widget exists: the first query of a widget fixes its screen-reader face.
    AccessibleFactory::install();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    StyleSheets::setLook(this, StyleSheets::MainWindowLook);
    setMouseTracking(true);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    central->setMouseTracking(true);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    buildTitleBar();
    column->addWidget(titleFrame);

    mainFrame = new QFrame(central);
    mainFrame->setObjectName(QStringLiteral("mainFrame"));
    mainFrame->setMouseTracking(true);
    background = new WindowBackground(mainFrame, QStringLiteral(":/images/background.png"));
    column->addWidget(mainFrame, 1);

    buildPages();
    buildMenus();

    noticeBar = new NoticeBar(central);
    // A row of its own under the pages: shown, it covers none of their controls.
    column->addWidget(noticeBar);
    noMouseNotice = new QLabel(mainFrame);
    noMouseNotice->setObjectName(QStringLiteral("noMouseNotice"));
    noMouseNotice->setWordWrap(true);
    noMouseNotice->setAlignment(Qt::AlignCenter);
    noMouseNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StyleSheets::setLook(noMouseNotice, StyleSheets::NoMouseNoticeLook);
    mainFrame->installEventFilter(this);
    frameless = new FramelessHelper(this);

    deviceCheckTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the delay is meant to outlast a burst of changes.
    deviceCheckTimer.setTimerType(Qt::PreciseTimer);
    deviceCheckTimer.setInterval(DeviceCheckDelayMs);
    failureQuietTimer.setSingleShot(true);
    failureQuietTimer.setInterval(FailureQuietMs);
    deviceNotifier = new DeviceNotifier(this);
    notifications = new DesktopNotifications(this);

    connectAll();
    ProfileUi::install(this);

    for (QWidget *w : builtMenusAndPages())
        w->hide();
    onWindowSelect(0);
    resize(1200, 800);
    updateNoMouseNotice();
}

MainWindow::~MainWindow()
{
    if (s_window == this)
        s_window = nullptr;
}

MainWindow *MainWindow::instance() { return s_window; }

void MainWindow::setTrayAvailableForTesting(int available) { s_trayOverride = available; }

bool MainWindow::trayAvailable()
{
    if (s_trayOverride >= 0)
        return s_trayOverride > 0;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::buildTitleBar()
{
    titleFrame = new QFrame(this);
    titleFrame->setObjectName(QStringLiteral("titleFrame"));
    titleFrame->setFixedHeight(TitleHeight);
    titleFrame->setMouseTracking(true);
    auto *row = new QHBoxLayout(titleFrame);
    row->setContentsMargins(16, 0, 0, 0);
    row->setSpacing(0);

    logo = new QLabel(titleFrame);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    // Presses on the logo belong to the caption: they move the window.
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(logo);
    row->addStretch(1);

    struct Def
    {
        QPushButton **member;
        const char *name;
        const char *icon;
        int spokenText;
    };
    const Def defs[] = {
        {&settingBtn, "settingBtn", ":/images/settingBtn.png", 169},
        {&minBtn, "minBtn", ":/images/minBtn.png", 170},
        {&maxBtn, "maxBtn", ":/images/maxBtn.png", 171},
        {&closeBtn, "closeBtn", ":/images/closeBtn.png", 172},
    };
    for (const Def &d : defs) {
        auto *b = new QPushButton(titleFrame);
        b->setObjectName(QLatin1String(d.name));
        b->setIcon(Pictures::icon(QLatin1String(d.icon)));
        b->setFixedSize(46, TitleHeight);
        // Icons only: the name is what a screen reader says; Tab reaches them (the settings
        // menu holds the website, the firmware update and the version).
        b->setAccessibleName(MouseData::instance()->languageText(d.spokenText));
        b->setFocusPolicy(Qt::TabFocus);
        setTitleButtonLook(b, false);
        b->installEventFilter(this);
        row->addWidget(b);
        *d.member = b;
    }

    MouseData *md = MouseData::instance();
    settingMenu = new QMenu(this);
    settingMenu->setObjectName(QStringLiteral("settingMenu"));
    StyleSheets::setLook(settingMenu, StyleSheets::ContextMenuLook);
    QAction *website = settingMenu->addAction(md->languageText(100));
    QAction *update = settingMenu->addAction(md->languageText(98));
    QAction *version = settingMenu->addAction(md->languageText(99) + QLatin1String(MOUSECFG_VERSION));
    website->setObjectName(QStringLiteral("websiteAction"));
    update->setObjectName(QStringLiteral("updateAction"));
    // Where the family's program cannot run, the entry says so instead of offering the dialog.
    connect(settingMenu, &QMenu::aboutToShow, this, [this, update]() {
        MouseData *data = MouseData::instance();
        const QString program = updateProgramFor(data->deviceType);
        const bool foreign = !program.isEmpty()
                             && UpdateProgram::check(program) == UpdateProgram::Verdict::WindowsProgram;
        // Enabled all the same: a disabled entry is skipped by the arrow keys, and a keyboard
        // user would never hear why there is no update; choosing it says so.
        update->setText(data->languageText(foreign ? 157 : 98));
    });
    version->setObjectName(QStringLiteral("versionAction"));
    connect(website, &QAction::triggered, this, &MainWindow::websiteActionProc);
    connect(update, &QAction::triggered, this, &MainWindow::updateActionProc);
    connect(version, &QAction::triggered, this, &MainWindow::versionActionProc);
    buildDesktopActions();
    settingBtn->setMenu(settingMenu);
    AccessibleFactory::menuStartsOnFirstEntry(settingBtn);

    QSettings config(DataPaths::configFile(), QSettings::IniFormat);
    const bool chinese = LanguageTable::isChinese(LanguageTable::activeFile());
    setWindowTitle(config.value(chinese ? QStringLiteral("common/name")
                                        : QStringLiteral("common/EnglishName"))
                       .toString());
    setWindowIcon(Pictures::icon(QStringLiteral(":/images/trayicon.png")));
}

void MainWindow::buildDesktopActions()
{
    MouseData *md = MouseData::instance();
    settingMenu->addSeparator();
    autostartAction = settingMenu->addAction(md->languageText(150));
    autostartAction->setObjectName(QStringLiteral("autostartAction"));
    autostartAction->setCheckable(true);
    autostartAction->setChecked(Autostart::isEnabled());
    connect(autostartAction, &QAction::toggled, this, [this](bool on) {
        QString error;
        if (Autostart::setEnabled(on, &error))
            return;
        qWarning() << "autostart:" << error;
        const QSignalBlocker block(autostartAction);
        autostartAction->setChecked(Autostart::isEnabled());
        showNotice(MouseData::instance()->languageText(154) + QLatin1Char('\n') + error);
    });

    keepMouseAction = settingMenu->addAction(md->languageText(233));
    keepMouseAction->setObjectName(QStringLiteral("keepMouseAction"));
    keepMouseAction->setCheckable(true);
    keepMouseAction->setChecked(AttachPolicy::keepMouseSettings());
    connect(keepMouseAction, &QAction::toggled, this, [](bool keep) {
        Controller::instance()->setSendOnAttach(!keep);
        AttachPolicy::setKeepMouseSettings(keep);
    });

    languageMenu = settingMenu->addMenu(md->languageText(151));
    languageMenu->setObjectName(QStringLiteral("languageMenu"));
    StyleSheets::setLook(languageMenu, StyleSheets::ContextMenuLook);
    auto *group = new QActionGroup(languageMenu);
    const QString chosen = LanguageTable::chosen();
    auto addChoice = [&](const QString &text, const QString &id) {
        QAction *a = languageMenu->addAction(text);
        a->setCheckable(true);
        a->setData(id);
        a->setChecked(id == chosen);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, id]() {
            if (id == LanguageTable::chosen())
                return;
            LanguageTable::setChosen(id);
            showNotice(MouseData::instance()->languageText(152));
        });
    };
    addChoice(md->languageText(153), QString());
    for (const LanguageTable::Info &t : LanguageTable::available())
        addChoice(t.name, t.id);
}

void MainWindow::showNotice(const QString &text)
{
    if (isVisible() && !isMinimized())
        noticeBar->showNotice(text);
    else
        showTrayMessage(windowTitle(), text, QSystemTrayIcon::Information, BalloonMs);
}

void MainWindow::buildPages()
{
    pageRow = new QHBoxLayout(mainFrame);
    pageRow->setContentsMargins(0, 0, 8, 8);
    pageRow->setSpacing(0);

    funBtn = new funBtnWindow(mainFrame);
    mainMenu = new mainMenuWindow(mainFrame);
    mousePage = new mouseWindow(mainFrame);

    auto later = [this](auto &member) {
        using Part = std::remove_pointer_t<decltype(member.built())>;
        member.setBuilder([this] { return new Part(mainFrame); }, [this](Part *part) { place(part); });
    };
    later(subMenu);
    later(childMenu);
    later(keyboardMenu);
    later(mouseFunctionMenu);
    later(macroMenu);
    later(shortcutMenu);
    later(dpiMenu);
    later(runMenu);
    later(dpiPage);
    later(lightPage);
    later(macroPage);
    later(sensorPage);

    if (MouseData::instance()->screenClass == 0)
        mousePage->setMinimumWidth(MousePageMinWidth);
    pageRow->addWidget(funBtn);
    place(mainMenu);
    place(mousePage);
}

QList<QWidget *> MainWindow::partsInOrder() const
{
    return {mainMenu,
            subMenu.built(),
            childMenu.built(),
            keyboardMenu.built(),
            mouseFunctionMenu.built(),
            macroMenu.built(),
            shortcutMenu.built(),
            dpiMenu.built(),
            runMenu.built(),
            mousePage,
            dpiPage.built(),
            lightPage.built(),
            macroPage.built(),
            sensorPage.built()};
}

void MainWindow::place(QWidget *part)
{
    const QList<QWidget *> parts = partsInOrder();
    const int at = int(parts.indexOf(part));
    if (at < 0)
        return;
    // The key screen's columns keep one width whether a picker is open or not, and all of them
    // fit the 1200-pixel window beside the mouse page: a column that shrank or a window that
    // grew when a picker opened moved the rows under the user's pointer.
    if (part != mousePage && at < parts.indexOf(mousePage))
        part->setFixedWidth(qMax(KeyColumnWidth, part->minimumWidth()));
    part->setMouseTracking(true);
    part->hide();

    int index = 1; // after the navigation column
    for (int i = 0; i < at; ++i) {
        if (parts[i])
            ++index;
    }
    if (part == sensorPage.built())
        pageRow->insertWidget(index, part, 1, Qt::AlignTop);
    else
        pageRow->insertWidget(index, part, part == mousePage ? 1 : 0);

    // Stacking, child order (what a screen reader walks) and tab order as if built in order.
    QWidget *next = noMouseNotice;
    for (int i = int(parts.size()) - 1; i > at; --i) {
        if (parts[i])
            next = parts[i];
    }
    if (next)
        part->stackUnder(next);
    // Its focusable widgets follow those of the parts before it (those of the navigation column
    // at least), not those of everything built since the window.
    auto focusables = [this](const QWidget *root) {
        QList<QWidget *> found;
        QWidget *w = this;
        do {
            if ((w == root || root->isAncestorOf(w)) && w->focusPolicy() != Qt::NoFocus)
                found << w;
            w = w->nextInFocusChain();
        } while (w && w != this);
        return found;
    };
    QWidget *anchor = nullptr;
    for (int i = at - 1; i >= -1 && !anchor; --i) {
        if (QWidget *p = i >= 0 ? parts[i] : funBtn) {
            const QList<QWidget *> own = focusables(p);
            if (!own.isEmpty())
                anchor = own.last();
        }
    }
    if (anchor) {
        for (QWidget *w : focusables(part)) {
            QWidget::setTabOrder(anchor, w);
            anchor = w;
        }
    }
    emit partBuilt(part);
}

void MainWindow::buildMenus()
{
    trayIcon = new QSystemTrayIcon(Pictures::icon(QStringLiteral(":/images/trayicon.png")), this);
    trayIcon->setToolTip(windowTitle());
    trayMenu = new QMenu(this);
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    StyleSheets::setLook(trayMenu, StyleSheets::TrayMenuLook);
    QAction *open = trayMenu->addAction(MouseData::instance()->languageText(224));
    open->setObjectName(QStringLiteral("openAction"));
    connect(open, &QAction::triggered, this, &MainWindow::raiseWindow);
    QAction *quit = trayMenu->addAction(MouseData::instance()->languageText(225));
    quit->setObjectName(QStringLiteral("quitAction"));
    // Quitting really ends the program (close alone only hides to the tray); the usual exit
    // path saves the profile and the macros.
    connect(quit, &QAction::triggered, this, &MainWindow::requestQuit);
    trayIcon->setContextMenu(trayMenu);
    if (trayAvailable())
        trayIcon->show();
}

QWidget *MainWindow::pickerAt(int index, bool build) const
{
    switch (index) {
    case 0: return build ? keyboardMenu.get() : keyboardMenu.built();
    case 1: return build ? mouseFunctionMenu.get() : mouseFunctionMenu.built();
    case 2: return build ? macroMenu.get() : macroMenu.built();
    case 3: return build ? runMenu.get() : runMenu.built();
    case 4: return build ? childMenu.get() : childMenu.built();
    case 5: return build ? shortcutMenu.get() : shortcutMenu.built();
    case 6: return build ? dpiMenu.get() : dpiMenu.built();
    default: return nullptr;
    }
}

QList<QWidget *> MainWindow::pickers() const
{
    QList<QWidget *> all;
    for (int i = 0; i < PickerCount; ++i)
        all << pickerAt(i);
    return all;
}

QList<QWidget *> MainWindow::menusAndPages() const
{
    return {mainMenu, subMenu,  childMenu, keyboardMenu, mouseFunctionMenu, macroMenu, shortcutMenu,
            dpiMenu,  runMenu,  mousePage, dpiPage,      lightPage,         macroPage, sensorPage};
}

QList<QWidget *> MainWindow::builtPickers() const
{
    QList<QWidget *> built;
    for (int i = 0; i < PickerCount; ++i) {
        if (QWidget *p = pickerAt(i, false))
            built << p;
    }
    return built;
}

QList<QWidget *> MainWindow::builtMenusAndPages() const
{
    QList<QWidget *> parts = partsInOrder();
    parts.removeAll(nullptr);
    return parts;
}

void MainWindow::connectAll()
{
    connect(settingBtn, &QPushButton::pressed, this, &MainWindow::onSettingBtnClicked);
    connect(minBtn, &QPushButton::pressed, this, &MainWindow::onMinBtnClicked);
    connect(maxBtn, &QPushButton::pressed, this, &MainWindow::onMaxBtnClicked);
    connect(closeBtn, &QPushButton::pressed, this, &MainWindow::onCloseBtnClicked);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::onTrayIconActivated);
    connect(funBtn, &funBtnWindow::windowSelect, this, &MainWindow::onWindowSelect);
    connect(MouseData::instance(), &MouseData::deviceChange, this, &MainWindow::deviceChangedProc);
    // The DPI page keeps the active level in the model; until it is built, this does.
    connect(MouseData::instance(), &MouseData::dpiKeyPressed, this, [this](int level) {
        m_dpiKeyOutOfRange = level < 0 || level >= DPIWindow::CardCount;
        if (!m_dpiKeyOutOfRange)
            m_dpiPageLevel = level;
        if (!dpiPage.built())
            MouseData::instance()->currentDpiLevel = uchar(qMax(0, m_dpiPageLevel));
    });
    connect(&deviceCheckTimer, &QTimer::timeout, this, &MainWindow::checkDevice);
    connect(mainMenu, &mainMenuWindow::menuControl, this, &MainWindow::menuContorlProc);
    connect(this, &MainWindow::runSignal, this, &MainWindow::runSignalProc);
    connect(this, &MainWindow::partBuilt, this, [this](QWidget *part) {
        if (part == subMenu.built()) {
            connect(subMenu, &subMenuWindow::menuControl, this, &MainWindow::menuContorlProc);
        } else if (part == macroMenu.built()) {
            connect(macroMenu, &MacroMenu::windowSelect, this, &MainWindow::onWindowSelect);
        } else if (part == macroPage.built()) {
            connect(macroPage, &MacroWindow::macroActionChanged, MouseData::instance(),
                    &MouseData::macroActionChangedProc);
        } else if (DPIWindow *dpi = dpiPage.built(); part == dpi) {
            // Built late, the page catches up with what it would have seen since start.
            // The model already holds what the keys chose; the replay must not change it.
            MouseData *md = MouseData::instance();
            const uchar level = md->currentDpiLevel;
            if (m_deviceChanged)
                dpi->deviceChangedProc(md->deviceType);
            if (m_dpiPageLevel >= 0)
                dpi->selectChangedProc_Null(m_dpiPageLevel);
            if (m_dpiKeyOutOfRange)
                dpi->selectChangedProc_Null(-1);
            md->currentDpiLevel = level;
        }
    });
    // A function chosen in a column changes the key list, away from the focus: say it there.
    connect(MouseData::instance(), &MouseData::mouseValueChanged, this, [this](const QString &label) {
        QWidget *focus = QApplication::focusWidget();
        QList<QWidget *> columns = builtPickers();
        if (subMenu.built())
            columns << subMenu;
        for (QWidget *column : std::as_const(columns)) {
            if (focus && column->isAncestorOf(focus)) {
                const MouseData *md = MouseData::instance();
                AccessibleFactory::announce(focus, md->languageText(119).arg(md->currentKey + 1)
                                                       + QStringLiteral(": ") + label);
                return;
            }
        }
    });

    // A device change restarts the debounce: the check runs after the last one of a burst.
    connect(deviceNotifier, &DeviceNotifier::deviceChanged, &deviceCheckTimer,
            qOverload<>(&QTimer::start));

    Controller *controller = Controller::instance();
    connect(controller, &Controller::eventReport, this, &MainWindow::handleEventReport);
    connect(controller, &Controller::transferFailed, this, &MainWindow::transferFailedProc);
    // Emitted by a device check, just before its result.
    connect(controller, &Controller::openRefused, this, [this]() {
        m_openRefused = true;
        m_refusedInCheck = true;
        updateNoMouseNotice();
        tellOpenRefused();
    });
    connect(controller, &Controller::deviceChecked, this, [this](int found) {
        // Unplugged, or opened this time (the rule was installed): the advice goes.
        if (found < 0 || found > 6 || !m_refusedInCheck)
            m_openRefused = m_refusedTold = false;
        m_refusedInCheck = false;
        updateNoMouseNotice();
        if (m_failureUntold)
            tellTransferFailure();
    });
}

QString MainWindow::openRefusedText()
{
    // Only the installed program has its manual page; beside the executable the tool itself
    // says where the rule is.
    return MouseData::instance()->languageText(DataPaths::layout() == DataPaths::Layout::Installed ? 156 : 223);
}

void MainWindow::updateNoMouseNotice()
{
    const bool noMouse = MouseData::instance()->deviceType == 255;
    if (!noMouse && !m_openRefused) {
        noMouseNotice->hide();
        return;
    }
    noMouseNotice->setText(m_openRefused ? openRefusedText() : MouseData::instance()->languageText(155));
    placeNoMouseNotice();
    if (!noMouseNotice->isVisible() && isVisible())
        Announcer::say(this, noMouseNotice->text());
    noMouseNotice->show();
    noMouseNotice->raise();
    // What the notice covers cannot be used; its focus (and the ring drawn around it, over the
    // notice) goes.
    if (QWidget *focus = QApplication::focusWidget(); focus && mainFrame->isAncestorOf(focus)
        && noMouseNotice->geometry().intersects(QRect(focus->mapTo(mainFrame, QPoint()), focus->size())))
        focus->clearFocus();
}

void MainWindow::placeNoMouseNotice()
{
    // Over the pages; the navigation column stays reachable.
    const int left = funBtn->isVisible() ? funBtn->geometry().right() + 1 : 0;
    noMouseNotice->setGeometry(left, 0, qMax(0, mainFrame->width() - left), mainFrame->height());
}

void MainWindow::onSettingBtnClicked()
{
    // The button's own menu pops up; nothing else to do.
}

void MainWindow::onMinBtnClicked() { showMinimized(); }

void MainWindow::onMaxBtnClicked()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void MainWindow::onCloseBtnClicked() { close(); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (trayAvailable()) {
        // The program keeps running in the tray.
        event->ignore();
        hide();
        return;
    }
    // Without a tray a hidden window could never come back: closing ends the program.
    event->ignore();
    requestQuit();
}

void MainWindow::requestQuit()
{
    QStringList lost;
    if (!m_quitAnyway) {
        MouseData *md = MouseData::instance();
        if (!md->saveActive())
            lost << DataPaths::profileFile(md->profileNumber);
        if (!MacroData::instance()->saver()->flush())
            lost << DataPaths::macroStore();
    }
    if (lost.isEmpty()) {
        hide();
        QCoreApplication::quit();
        return;
    }
    if (m_unsavedQuestion) {
        m_unsavedQuestion->raise();
        return;
    }
    m_unsavedQuestion = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                        MouseData::instance()->languageText(226).arg(lost.join(QStringLiteral(", "))),
                                        QMessageBox::Cancel, isVisible() ? this : nullptr);
    m_unsavedQuestion->setObjectName(QStringLiteral("unsavedQuestion"));
    m_unsavedQuestion->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *quitButton = m_unsavedQuestion->addButton(MouseData::instance()->languageText(227),
                                                           QMessageBox::DestructiveRole);
    m_unsavedQuestion->setDefaultButton(QMessageBox::Cancel);
    connect(m_unsavedQuestion, &QMessageBox::finished, this, [this, quitButton]() {
        const bool quit = m_unsavedQuestion->clickedButton() == quitButton;
        m_unsavedQuestion = nullptr;
        if (quit) {
            m_quitAnyway = true;
            requestQuit();
        }
    });
    m_unsavedQuestion->open();
}

void MainWindow::onTrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    // Without a mouse a look for one too; the window says what it finds.
    if (MouseData::instance()->deviceType == 255)
        emit Controller::instance()->check();
    // The tray is the way back to a window closed to it, in every state.
    raiseWindow();
}

void MainWindow::onWindowSelect(int index)
{
    if (index < 0 || index > 4)
        return;
    for (QWidget *w : builtMenusAndPages())
        w->hide();
    currentPage = index;
    MouseData *md = MouseData::instance();
    switch (index) {
    case 0:
        mainMenu->show();
        mousePage->show();
        menuContorlProc();
        break;
    case 1:
        dpiPage->show();
        if (md->dpiReadPending > 0) {
            if (Ic *ic = Controller::instance()->currentIc()) {
                --md->dpiReadPending;
                ic->readCurrentDpiLevel();
            }
        }
        break;
    case 2:
        lightPage->show();
        break;
    case 3:
        macroPage->show();
        break;
    case 4:
        sensorPage->show();
        break;
    }
    funBtn->setCurrentButton(index);
}

void MainWindow::checkDevice() { emit Controller::instance()->check(); }

void MainWindow::menuContorlProc()
{
    if (mainMenu->selectedKey < 0) {
        if (subMenu.built())
            subMenu->hide();
        return;
    }
    // A column opened from the keyboard takes the focus, so that it is announced and the
    // next key acts in it.
    QWidget *focus = QApplication::focusWidget();
    subMenu->show();
    const int chosen = subMenu->category - 1;
    QWidget *chosenColumn = chosen >= 0 && chosen < PickerCount ? pickerAt(chosen) : nullptr;
    for (QWidget *c : builtPickers()) {
        if (c != chosenColumn)
            c->hide();
    }
    if (chosenColumn)
        chosenColumn->show();
    QWidget *opened = nullptr;
    if (focus && mainMenu->isAncestorOf(focus))
        opened = subMenu;
    else if (focus && subMenu->isAncestorOf(focus) && chosenColumn)
        opened = chosenColumn;
    if (opened && isVisible()) {
        for (QWidget *w : opened->findChildren<QWidget *>()) {
            if (w->isVisibleTo(opened) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                w->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
}

void MainWindow::testProc() {}

void MainWindow::runSignalProc()
{
    const QString program = MouseData::instance()->runProgram;
    if (program.isEmpty())
        return;
    // Detached: the launched program must outlive this one, which kills its own children at exit.
    QProcess launcher;
    launcher.setProgram(program);
    launcher.setArguments({QStringLiteral("--kiosk")});
    if (!launcher.startDetached())
        qWarning() << "cannot start" << program << launcher.errorString();
}

QString MainWindow::websiteAddress() const
{
    QSettings config(DataPaths::configFile(), QSettings::IniFormat);
    const QString address = config.value(QStringLiteral("common/website")).toString().trimmed();
    return address.isEmpty() ? QStringLiteral("https://example.com") : address;
}

void MainWindow::websiteActionProc(bool checked)
{
    Q_UNUSED(checked);
    QDesktopServices::openUrl(QUrl::fromUserInput(websiteAddress()));
}

void MainWindow::updateActionProc(bool checked)
{
    Q_UNUSED(checked);
    MouseData *md = MouseData::instance();
    const QString program = updateProgramFor(md->deviceType);
    if (!program.isEmpty() && UpdateProgram::check(program) == UpdateProgram::Verdict::WindowsProgram) {
        startUpdateProgram(); // which tells why it cannot
        return;
    }
    UpdateDialog dialog(this);
    dialog.setTexts(md->languageText(109), md->languageText(110), md->languageText(111),
                    md->languageText(112), md->languageText(113), md->languageText(114));
    if (dialog.exec() != QDialog::Accepted)
        return;
    startUpdateProgram();
}

QString MainWindow::updateProgramFor(int deviceType)
{
    static const char *const programs[] = {
        "KV410_HT32F52341_48LQFP_3336_V117_444cH.exe",
        "KV410_HT32F52341_48LQFP_3389_V201_62eeh.exe",
        "KV410_HT32F52341_48LQFP_3389_WithoutRGB_V105_aa0bh.exe",
        "Update_KV410_HT32F52341_3337_48LQFP_V106_F2D7H.exe",
        "Update_KV410_HT32F52341_3337_48LQFP_V201_de11h.exe",
        "KV470_HT32F52341_48LQFP_3336_V109_a132H_20210331.exe",
        "KV470_HT32F52341_48LQFP_3337_V109_DB30H.exe",
    };
    if (deviceType < 0 || deviceType >= int(std::size(programs)))
        return QString();
    return DataPaths::updateDir() + QLatin1Char('/') + QLatin1String(programs[deviceType]);
}

bool MainWindow::startUpdateProgram()
{
    const QString program = updateProgramFor(MouseData::instance()->deviceType);
    if (program.isEmpty())
        return false;
    const QFileInfo info(program);
    if (UpdateProgram::check(program) == UpdateProgram::Verdict::WindowsProgram) {
        reportStartFailure(program, QString(), MouseData::instance()->languageText(157));
        return false;
    }
    if (!info.exists()) {
        reportStartFailure(program, QString());
        return false;
    }
    // Detached: quitting this program must never kill an update that is flashing the mouse.
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setWorkingDirectory(info.absolutePath());
    if (!process.startDetached()) {
        reportStartFailure(program, process.errorString());
        return false;
    }
    return true;
}

void MainWindow::reportStartFailure(const QString &program, const QString &reason, const QString &heading)
{
    QString text = heading.isEmpty() ? MouseData::instance()->languageText(116) : heading;
    if (text.isEmpty())
        text = QStringLiteral("The update program could not be started:");
    text += QLatin1Char('\n') + QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath());
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("updateFailedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void MainWindow::versionActionProc(bool checked) { Q_UNUSED(checked); }

void MainWindow::deviceChangedProc(uchar type)
{
    m_deviceChanged = true;
    funBtn->setLightButtonVisible(type != 2 && type != 4);
    if (type == 255)
        return;
    MouseData::instance()->dpiReadPending = 1;
    if (!m_waitForUser)
        show();
}

void MainWindow::raiseWindow()
{
    m_waitForUser = false;
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::transferFailedProc()
{
    // The first failure of a burst tells the user; the rest of the burst stays quiet.
    const bool quiet = failureQuietTimer.isActive();
    failureQuietTimer.start();
    if (quiet) {
        // Refused re-sends keep the burst going; the advice may still be owed.
        if (m_openRefused)
            tellOpenRefused();
        return;
    }
    // Unplugged, refused or only a bad moment: a device check tells which, at once, and the
    // notice waits for its answer so that it says what is true.
    m_failureUntold = true;
    deviceCheckTimer.stop();
    emit Controller::instance()->check();
}

void MainWindow::tellOpenRefused()
{
    // Once; but again later where nothing could show it (at start the notification service
    // may not be known yet).
    if (!m_refusedTold && !(isVisible() && !isMinimized()))
        m_refusedTold = showTrayMessage(windowTitle(), openRefusedText(), QSystemTrayIcon::Warning,
                                        BalloonMs, QStringLiteral("access"));
}

void MainWindow::tellTransferFailure()
{
    m_failureUntold = false;
    // The advice to install the rule is all there is to say then.
    if (m_openRefused)
        return;
    QString text = MouseData::instance()->languageText(115);
    if (text.isEmpty())
        text = QStringLiteral("The mouse did not take the change.");
    if (isVisible() && !isMinimized())
        noticeBar->showNotice(text);
    else
        showTrayMessage(windowTitle(), text, QSystemTrayIcon::Warning, BalloonMs, QStringLiteral("failure"));
}

bool MainWindow::showTrayMessage(const QString &title, const QString &text,
                                 QSystemTrayIcon::MessageIcon icon, int ms, const QString &kind)
{
    emit trayMessage(title, text);
    const bool tray = trayAvailable() && trayIcon->isVisible();
    const bool shown = isVisible() && !isMinimized();
    // The balloon and the desktop's notification are other windows, which a screen reader
    // following this one does not read.
    const auto sayHere = [&]() {
        if (shown)
            Announcer::say(this, title + QStringLiteral(": ") + text);
    };
    if (tray && shown) {
        trayIcon->showMessage(title, text, icon, ms);
        sayHere();
        return true;
    }
    // No tray, or nobody looking at the window: the desktop's notification service, where
    // the next message of the same kind replaces this one.
    if (notifications->show(kind.isEmpty() ? QStringLiteral("notice") : kind, title, text,
                            icon == QSystemTrayIcon::Warning || icon == QSystemTrayIcon::Critical, ms)) {
        sayHere();
        return true;
    }
    if (tray)
        trayIcon->showMessage(title, text, icon, ms);
    else if (isVisible())
        noticeBar->showNotice(title + QStringLiteral(": ") + text);
    return tray || isVisible();
}

void MainWindow::handleEventReport(uchar b0, uchar b1, uchar b2, uchar b3)
{
    if (b0 != 4 || b1 != 1)
        return;
    MouseData *md = MouseData::instance();
    if (b2 == 0) {
        const QVariantList &list =
            md->isDefaultDPI ? MouseDefaultData::instance()->xDpiList : md->xDpiList;
        // A level the lists do not hold names no DPI value; showing a made-up one would mislead.
        if (b3 >= list.size())
            return;
        showTrayMessage(QStringLiteral("DPI"), list.at(b3).toString(),
                        QSystemTrayIcon::Information, BalloonMs, QStringLiteral("dpi"));
        emit md->dpiKeyPressed(b3);
    } else if (b2 == 1 && b3 == 1) {
        const QString address = md->runHttps.trimmed();
        if (!address.isEmpty())
            QDesktopServices::openUrl(QUrl::fromUserInput(address));
    } else if (b2 == 2 && b3 == 1) {
        emit runSignal();
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mainFrame && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        placeNoMouseNotice();
    auto *button = qobject_cast<QPushButton *>(watched);
    if (button && button->parentWidget() == titleFrame) {
        if (event->type() == QEvent::Enter)
            setTitleButtonLook(button, true);
        else if (event->type() == QEvent::Leave)
            setTitleButtonLook(button, false);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && currentPage == 0)
        closeAssignmentMenus(event->position().toPoint());
    QMainWindow::mousePressEvent(event);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The button says what it does now; a screen reader reads the new name where the focus is.
    if (event->type() == QEvent::WindowStateChange)
        maxBtn->setAccessibleName(MouseData::instance()->languageText(isFullScreen() ? 254 : 171));
    // The notice covers the pages without taking the focus: a screen reader, which reads the
    // window and its focus as it comes to the front, hears it then.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && noMouseNotice->isVisibleTo(this))
        QTimer::singleShot(0, this, [this]() {
            if (noMouseNotice->isVisibleTo(this))
                Announcer::say(this, noMouseNotice->text());
        });
}

void MainWindow::closeAssignmentMenus(QPoint pos)
{
    auto spanOf = [this](const QWidget *w) {
        const QPoint left = w->mapTo(this, QPoint(0, 0));
        return qMakePair(left.x(), left.x() + w->width() - 1);
    };
    if (pos.y() > MenuCaptionBottom) {
        // Presses within the open menu columns keep them open.
        if (subMenu.built() && subMenu->isVisible()) {
            const int from = spanOf(mainMenu).first;
            const int to = spanOf(subMenu).second;
            if (pos.x() >= from && pos.x() <= to)
                return;
        }
        for (QWidget *picker : builtPickers()) {
            if (!picker->isVisible())
                continue;
            const auto span = spanOf(picker);
            if (pos.x() >= span.first && pos.x() <= span.second)
                return;
        }
    }
    if (subMenu.built())
        subMenu->hide();
    for (QWidget *picker : builtPickers())
        picker->hide();
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    MSG *msg = static_cast<MSG *>(message);
    if (msg->message == WM_NCHITTEST && !isMaximized() && !isFullScreen()) {
        const QPoint global(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam));
        const QPoint local = mapFromGlobal(global);
        QWidget *child = childAt(local);
        if (child && child != centralWidget() && child != mainFrame && child != titleFrame
            && child != logo)
            return false;
        static const LRESULT answers[] = {HTLEFT,    HTRIGHT,    HTTOP,       HTBOTTOM, HTTOPLEFT,
                                          HTTOPRIGHT, HTBOTTOMLEFT, HTBOTTOMRIGHT, HTCAPTION};
        *result = answers[HitTest::region(local, size())];
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif
