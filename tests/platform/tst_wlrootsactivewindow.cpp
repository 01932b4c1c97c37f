// The wlroots source's sway route against a stand-in for sway's IPC socket: what it asks for,
// the focus it reports from replies and events however the bytes arrive, and a peer that breaks
// the framing. (The toplevel list needs a real compositor: tests/desktops/run-sway-test.sh.)
#include <QtTest>

#ifdef MOUSECFG_HAVE_WAYLAND
#include "platform/linux/wlrootsactivewindow.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
QByteArray frame(quint32 type, const QByteArray &payload)
{
    QByteArray m("i3-ipc");
    const quint32 length = quint32(payload.size());
    m.append(reinterpret_cast<const char *>(&length), 4);
    m.append(reinterpret_cast<const char *>(&type), 4);
    return m + payload;
}

QByteArray container(qint64 id, const char *appId, const char *cls = nullptr)
{
    QJsonObject c{{QStringLiteral("id"), id}, {QStringLiteral("pid"), qint64(QCoreApplication::applicationPid())},
                  {QStringLiteral("focused"), true}};
    c.insert(QStringLiteral("app_id"), appId ? QJsonValue(QLatin1String(appId)) : QJsonValue());
    if (cls)
        c.insert(QStringLiteral("window_properties"), QJsonObject{{QStringLiteral("class"), QLatin1String(cls)}});
    return QJsonDocument(c).toJson(QJsonDocument::Compact);
}

QByteArray swayEvent(const char *change, const QByteArray &window)
{
    return frame(0x80000003u, QByteArray("{\"change\":\"") + change + "\",\"container\":" + window + "}");
}

// A listening socket where sway would have its own; the source connects in its constructor.
class FakeSway
{
public:
    explicit FakeSway(const QString &path) : m_path(path.toLocal8Bit())
    {
        sockaddr_un a{};
        if (m_path.size() >= int(sizeof(a.sun_path)))
            return;
        m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, m_path.constData(), size_t(m_path.size()));
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(m_listen, 1) != 0)
            m_listen = -1;
    }
    ~FakeSway()
    {
        if (m_peer >= 0)
            ::close(m_peer);
        if (m_listen >= 0)
            ::close(m_listen);
    }
    bool listening() const { return m_listen >= 0; }
    QByteArray path() const { return m_path; }
    // What the source sent once connected: read until both of its requests are in.
    QByteArray accept()
    {
        m_peer = ::accept(m_listen, nullptr, nullptr);
        QByteArray in;
        char b[256];
        while (in.count("i3-ipc") < 2 || in.size() < 14 * 2 + 10) {
            const ssize_t n = ::read(m_peer, b, sizeof(b));
            if (n <= 0)
                break;
            in.append(b, int(n));
        }
        return in;
    }
    void send(const QByteArray &bytes) { QVERIFY(::write(m_peer, bytes.constData(), size_t(bytes.size())) == bytes.size()); }

private:
    QByteArray m_path;
    int m_listen = -1;
    int m_peer = -1;
};
} // namespace

class TestWlrootsActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void asksForWindowEventsAndTheTree();
    void reportsFocusHoweverTheBytesArrive();
    void closingTheWindowInFrontLeavesNothing();
    void brokenPeerIsLeft_data();
    void brokenPeerIsLeft();
    void focusedWindowInTree();

private:
    QTemporaryDir dir;
    std::unique_ptr<FakeSway> sway;
};

void TestWlrootsActiveWindow::init()
{
    // No compositor: only the sway route can make the source available.
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", dir.filePath(QStringLiteral("no-compositor")).toLocal8Bit());
    static int n = 0;
    sway = std::make_unique<FakeSway>(dir.filePath(QStringLiteral("s%1").arg(++n)));
    QVERIFY(sway->listening());
}

void TestWlrootsActiveWindow::asksForWindowEventsAndTheTree()
{
    WlrootsActiveWindow source(sway->path());
    QVERIFY(source.available());
    QCOMPARE(source.kind(), ActiveWindow::Kind::Wlroots);
    const QByteArray in = sway->accept();
    QCOMPARE(in, frame(2, "[\"window\"]") + frame(4, QByteArray()));

    WlrootsActiveWindow nobody(dir.filePath(QStringLiteral("absent.sock")).toLocal8Bit());
    QVERIFY(!nobody.available());
}

void TestWlrootsActiveWindow::reportsFocusHoweverTheBytesArrive()
{
    WlrootsActiveWindow source(sway->path());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    sway->accept();
    const QString self = QCoreApplication::applicationFilePath();

    // The tree's focused window, behind the subscription's answer in the same read.
    const QByteArray tree = "{\"focused\":false,\"nodes\":[{\"focused\":false,\"nodes\":[" + container(5, "app.one")
                            + "]}]}";
    sway->send(frame(2, "{\"success\":true}") + frame(4, tree));
    QTRY_COMPARE(told.size(), 1);
    QCOMPARE(told.last(), (QVariantList{self, QStringLiteral("app.one")}));

    // An event cut inside its header and its payload: reported once whole. An X11 window's
    // class stands in for the app_id it lacks.
    const QByteArray split = swayEvent("focus", container(6, nullptr, "XTerm"));
    sway->send(split.left(9));
    QTest::qWait(50);
    sway->send(split.mid(9, 20));
    QTest::qWait(50);
    QCOMPARE(told.size(), 1);
    sway->send(split.mid(29));
    QTRY_COMPARE(told.size(), 2);
    QCOMPARE(told.last(), (QVariantList{self, QStringLiteral("XTerm")}));

    // Two events in one read: both, in order; a title change is no focus.
    sway->send(swayEvent("focus", container(7, "app.two")) + swayEvent("title", container(5, "app.one"))
               + swayEvent("focus", container(5, "app.one")));
    QTRY_COMPARE(told.size(), 4);
    QCOMPARE(told.at(2).at(1).toString(), QStringLiteral("app.two"));
    QCOMPARE(told.at(3).at(1).toString(), QStringLiteral("app.one"));
}

void TestWlrootsActiveWindow::closingTheWindowInFrontLeavesNothing()
{
    WlrootsActiveWindow source(sway->path());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    sway->accept();
    sway->send(swayEvent("focus", container(8, "app.one")) + swayEvent("close", container(9, "app.two")));
    QTRY_COMPARE(told.size(), 1);
    // Only the window in front closing says nothing is there; the same program again is news.
    sway->send(swayEvent("close", container(8, "app.one")) + swayEvent("focus", container(10, "app.one")));
    QTRY_COMPARE(told.size(), 3);
    QCOMPARE(told.at(1), (QVariantList{QString(), QString()}));
    QCOMPARE(told.at(2).at(1).toString(), QStringLiteral("app.one"));
}

void TestWlrootsActiveWindow::brokenPeerIsLeft_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("refused subscription") << frame(2, "{\"success\":false}");
    QByteArray wrongMagic = swayEvent("focus", container(1, "app.one"));
    wrongMagic[0] = 'x';
    QTest::newRow("wrong magic") << wrongMagic;
    // A length no reply has: the source must not wait for (or buffer) gigabytes.
    QByteArray huge = frame(4, QByteArray());
    const quint32 length = 0xfffffff0u;
    std::memcpy(huge.data() + 6, &length, 4);
    QTest::newRow("huge length") << huge;
}

void TestWlrootsActiveWindow::brokenPeerIsLeft()
{
    QFETCH(QByteArray, bytes);
    WlrootsActiveWindow source(sway->path());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    sway->accept();
    sway->send(bytes + swayEvent("focus", container(2, "app.two")));
    QTRY_VERIFY(!source.available());
    QCOMPARE(told.size(), 0);
}

void TestWlrootsActiveWindow::focusedWindowInTree()
{
    const auto parse = [](const QByteArray &json) { return QJsonDocument::fromJson(json).object(); };
    // A focused empty workspace is no window.
    QVERIFY(WlrootsActiveWindow::focusedIn(parse("{\"focused\":true,\"nodes\":[{\"focused\":false,\"pid\":3}]}"))
                .isEmpty());
    const QJsonObject floating = WlrootsActiveWindow::focusedIn(
        parse("{\"nodes\":[{\"nodes\":[{\"focused\":false,\"pid\":3}],\"floating_nodes\":[{\"focused\":true,"
              "\"pid\":4}]}]}"));
    QCOMPARE(floating.value(QStringLiteral("pid")).toInt(), 4);
}

QTEST_GUILESS_MAIN(TestWlrootsActiveWindow)
#else
class TestWlrootsActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void notBuilt() { QSKIP("built without libwayland-client: there is no wlroots source"); }
};
QTEST_GUILESS_MAIN(TestWlrootsActiveWindow)
#endif

#include "tst_wlrootsactivewindow.moc"
