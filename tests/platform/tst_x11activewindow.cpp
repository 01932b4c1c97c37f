// The X11 source against a bare X server: the test plays the window manager, setting
// _NET_ACTIVE_WINDOW from a thread of its own while the source reads, so changes land while the
// source waits for its replies. The source must end on the window that is really active.
#include "platform/linux/x11activewindow.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <unistd.h>
#include <xcb/xcb.h>

namespace {
xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

// One connection acting as the window manager.
struct Manager
{
    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t active = 0;
    xcb_atom_t pid = 0;
    xcb_atom_t supported = 0;

    bool connect(const QByteArray &display)
    {
        c = xcb_connect(display.constData(), nullptr);
        if (xcb_connection_has_error(c))
            return false;
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        active = atom(c, "_NET_ACTIVE_WINDOW");
        pid = atom(c, "_NET_WM_PID");
        supported = atom(c, "_NET_SUPPORTED");
        return true;
    }
    ~Manager()
    {
        if (c)
            xcb_disconnect(c);
    }
    xcb_window_t window(quint32 ownerPid)
    {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        if (ownerPid)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, pid, XCB_ATOM_CARDINAL, 32, 1, &ownerPid);
        return w;
    }
    void announce(bool activeWindow)
    {
        const xcb_atom_t atoms[] = {activeWindow ? active : pid};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, supported, XCB_ATOM_ATOM, 32, 1, atoms);
        sync();
    }
    void activate(xcb_window_t w)
    {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &w);
        xcb_flush(c);
    }
    // A round trip: everything sent before has reached the server.
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};
} // namespace

class TestX11ActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void availableOnlyWhereTheManagerTells();
    void endsOnTheActiveWindowAfterBursts();

private:
    QProcess xvfb;
    QByteArray display;
};

void TestX11ActiveWindow::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        QSKIP("Xvfb is not installed");
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QVERIFY(xvfb.waitForStarted(10000));
    while (!xvfb.canReadLine())
        QVERIFY2(xvfb.waitForReadyRead(20000), "Xvfb named no display");
    display = ':' + xvfb.readLine().trimmed();
    qputenv("DISPLAY", display);
    qputenv("XDG_SESSION_TYPE", "x11");
}

void TestX11ActiveWindow::cleanupTestCase()
{
    xvfb.terminate();
    xvfb.waitForFinished(5000);
}

void TestX11ActiveWindow::availableOnlyWhereTheManagerTells()
{
    Manager wm;
    QVERIFY(wm.connect(display));
    wm.announce(false);
    QVERIFY(!X11ActiveWindow().available());

    wm.announce(true);
    X11ActiveWindow source;
    QVERIFY(source.available());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    // The server's own process stands in for another program.
    const xcb_window_t other = wm.window(quint32(xvfb.processId()));
    const xcb_window_t nameless = wm.window(0);
    wm.activate(other);
    QTRY_VERIFY(!told.isEmpty() && told.last().at(0).toString() == QFile::symLinkTarget(
                    QStringLiteral("/proc/%1/exe").arg(xvfb.processId())));
    // A window that names no process: the program is unknown.
    wm.activate(nameless);
    QTRY_VERIFY(told.last().at(0).toString().isEmpty());
}

void TestX11ActiveWindow::endsOnTheActiveWindowAfterBursts()
{
    Manager wm;
    QVERIFY(wm.connect(display));
    wm.announce(true);
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString server = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(xvfb.processId()));
    QVERIFY(self != server);
    const xcb_window_t mine = wm.window(quint32(getpid()));
    const xcb_window_t theirs = wm.window(quint32(xvfb.processId()));
    wm.sync();

    X11ActiveWindow source;
    QString last;
    connect(&source, &ActiveWindow::programChanged, this, [&last](const QString &p) { last = p; });

    // Each round: a burst of switches made while the source is busy reading, then a pause.
    // A change whose notice the source takes in with a reply, and then never looks at, leaves it
    // on the window before.
    for (int round = 0; round < 60; ++round) {
        std::atomic<bool> done{false};
        const int switches = 2 + QRandomGenerator::global()->bounded(20);
        std::thread manager([&] {
            for (int i = 0; i < switches; ++i) {
                wm.activate(i % 2 ? mine : theirs);
                usleep(useconds_t(QRandomGenerator::global()->bounded(400)));
            }
            wm.sync();
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        manager.join();
        const QString expected = (switches - 1) % 2 ? self : server;
        QTRY_COMPARE_WITH_TIMEOUT(last, expected, 2000);
    }
}

QTEST_GUILESS_MAIN(TestX11ActiveWindow)
#include "tst_x11activewindow.moc"
