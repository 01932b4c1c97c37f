#pragma once

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/lazywidget.h"

class DesktopNotifications;
class DeviceNotifier;
class FramelessHelper;
class NoticeBar;
class WindowBackground;
class QFrame;
class QHBoxLayout;
class QAction;
class QLabel;
class QMenu;
class QProcess;
class QPushButton;

class funBtnWindow;
class mainMenuWindow;
class subMenuWindow;
class childMenuWindow;
class keyboardFunctionMenu;
class MouseFunctionMenu;
class MacroMenu;
class ShortcutMenu;
class DpiMenu;
class RunMenu;
class mouseWindow;
class DPIWindow;
class LightWindow;
class QMessageBox;
class MacroWindow;
class SensorWindow;

// The program's one top-level window: title bar, navigation column, the pages, the tray icon.
// It stays hidden until a supported mouse is found; closing it hides it to the tray.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The window that event reports and the single-instance hand-over go to; nullptr when none.
    static MainWindow *instance();

    // The program started for a device family, under DataPaths::updateDir(); empty for any
    // value that is not a family (255: no mouse).
    static QString updateProgramFor(int deviceType);
    static const int DeviceCheckDelayMs = 3072;

    // Test seam: -1 asks the desktop whether it has a tray (the default), 0 or 1 decides.
    static void setTrayAvailableForTesting(int available);
    static bool trayAvailable();

    void handleEventReport(uchar b0, uchar b1, uchar b2, uchar b3);

    // Started hidden (--hidden): an attached mouse does not bring the window up until the
    // user opens it from the tray or by starting the program again.
    void setWaitForUser(bool wait) { m_waitForUser = wait; }
    bool waitsForUser() const { return m_waitForUser; }

    // Starts the update program of the attached family; false (and a message to the user) when
    // it could not be started, false and no message when there is no mouse.
    bool startUpdateProgram();

    // Title bar.
    QFrame *titleFrame = nullptr;
    QLabel *logo = nullptr;
    QPushButton *settingBtn = nullptr;
    QPushButton *minBtn = nullptr;
    QPushButton *maxBtn = nullptr;
    QPushButton *closeBtn = nullptr;
    QMenu *settingMenu = nullptr;
    QAction *autostartAction = nullptr;  // "start at login", the user's autostart entry
    QAction *keepMouseAction = nullptr;  // "keep what the mouse holds" when it attaches
    QMenu *languageMenu = nullptr;       // "follow the system" and every table of i18n/
    QFrame *mainFrame = nullptr;
    WindowBackground *background = nullptr; // the picture behind the pages

    // Navigation, menus and pages, in the order they sit in the central layout. What the key
    // page shows at start is built with the window; the rest is built the first time it is
    // shown or reached through its member, then kept.
    funBtnWindow *funBtn = nullptr;
    mainMenuWindow *mainMenu = nullptr;
    LazyWidget<subMenuWindow> subMenu;
    LazyWidget<childMenuWindow> childMenu;
    LazyWidget<keyboardFunctionMenu> keyboardMenu;
    LazyWidget<MouseFunctionMenu> mouseFunctionMenu;
    LazyWidget<MacroMenu> macroMenu;
    LazyWidget<ShortcutMenu> shortcutMenu;
    LazyWidget<DpiMenu> dpiMenu;
    LazyWidget<RunMenu> runMenu;
    mouseWindow *mousePage = nullptr;
    LazyWidget<DPIWindow> dpiPage;
    LazyWidget<LightWindow> lightPage;
    LazyWidget<MacroWindow> macroPage;
    LazyWidget<SensorWindow> sensorPage;

    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
    NoticeBar *noticeBar = nullptr;
    // Over the pages while no mouse can be used: says why and, where it can tell, what to do.
    QLabel *noMouseNotice = nullptr;
    DeviceNotifier *deviceNotifier = nullptr;
    DesktopNotifications *notifications = nullptr;

    int currentPage = 0;
    // Debounces device-change notifications: the check runs once the burst is over.
    QTimer deviceCheckTimer;
    // Failures of one change arrive as a burst of commands; they make one notice.
    QTimer failureQuietTimer;

    // The seven third-level columns, by category 1..7 of the second-level menu. Both lists
    // build what is not built yet; the built...() forms never build.
    QList<QWidget *> pickers() const;
    QList<QWidget *> menusAndPages() const;
    QList<QWidget *> builtPickers() const;
    static const int PickerCount = 7;
    // The picker of category index + 1; nullptr when not built and build is false.
    QWidget *pickerAt(int index, bool build = true) const;
    QList<QWidget *> builtMenusAndPages() const;

signals:
    void runSignal();
    // Every tray balloon, also where the desktop has no tray to show it.
    void trayMessage(QString title, QString text);
    // A menu, picker or page was built (on its first use) and placed in the window.
    void partBuilt(QWidget *part);

public slots:
    void onSettingBtnClicked();
    void onMinBtnClicked();
    void onMaxBtnClicked();
    void onCloseBtnClicked();
    void onTrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void onWindowSelect(int index);
    void checkDevice();
    void menuContorlProc();
    void testProc();
    void runSignalProc();
    void websiteActionProc(bool checked);
    void updateActionProc(bool checked);
    void versionActionProc(bool checked);
    void deviceChangedProc(uchar type);

    // Shows, restores and raises the window (a second start of the program asks for it).
    void raiseWindow();
    // Ends the program, the user's way (tray Quit, closing without a tray). Changes that cannot
    // be written are written now once more; when that fails too, the user is told what will be
    // lost and chooses, once, whether to quit anyway.
    void requestQuit();
    void transferFailedProc();
    // A short message in the window, or as a notification when the window is not shown.
    void showNotice(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

    // Shows a balloon at the tray icon, or in the window when there is no tray.
    // Without a tray, or with the window hidden, it goes to the desktop's notification
    // service as a message of `kind` that replaces the previous one of that kind. False when
    // it reached the user nowhere.
    bool showTrayMessage(const QString &title, const QString &text,
                         QSystemTrayIcon::MessageIcon icon, int ms, const QString &kind = QString());

private:
    void buildTitleBar();
    void buildDesktopActions();
    void updateNoMouseNotice();
    static QString openRefusedText();
    // The notice of a failed transfer, once the device check it started has answered.
    void tellTransferFailure();
    void placeNoMouseNotice();
    void buildPages();
    // Gives a part built late the place, stacking and tab order it would have had if built
    // with the window.
    void place(QWidget *part);
    // Each menu, picker and page by its place in the layout: built or nullptr.
    QList<QWidget *> partsInOrder() const;
    void buildMenus();
    void connectAll();
    void closeAssignmentMenus(QPoint pos);
    void reportStartFailure(const QString &program, const QString &reason, const QString &heading = QString());
    QString websiteAddress() const;

    FramelessHelper *frameless = nullptr;
    QHBoxLayout *pageRow = nullptr;
    // What the DPI page would have seen had it been built with the window.
    bool m_deviceChanged = false;
    int m_dpiPageLevel = -1;         // the last level reported that the page can show
    bool m_dpiKeyOutOfRange = false; // the last level reported was not one of them
    bool m_waitForUser = false;
    void tellOpenRefused();
    bool m_openRefused = false; // the mouse is there, its interface refused to open
    bool m_refusedInCheck = false;
    bool m_refusedTold = false; // the advice reached a hidden window's user
    bool m_failureUntold = false; // a transfer failed; told when the check it started answers
    QMessageBox *m_unsavedQuestion = nullptr;
    bool m_quitAnyway = false;
};
