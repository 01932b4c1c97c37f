#pragma once

#include "sim/devicedescription.h"
#include "sim/umock/mockbed.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The shipped programs laid out as a package installs them (bin/ and share/mousecfg/), with a
// home of their own, run inside a testbed of mocked mice on the real hidapi and libudev.
class RealInstall
{
public:
    struct Run
    {
        int exitCode = -1; // -2 when it crashed, -1 when it did not finish in time
        QString out;
        QString err;
    };

    bool make();
    QString path(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString program(const QString &name) const { return path(QStringLiteral("usr/bin/") + name); }
    // Family n of the shipped catalogue as a mouse to plug.
    static vmouse::DeviceDescription family(int n);
    QString configDir() const { return path(QStringLiteral("home/.config")); }

    // A bare environment of the install's own plus the testbed's.
    QProcessEnvironment environment(const umock::MockBed &bed) const;
    // Runs `name` to its end while this thread waits; the testbed answers from its own thread.
    Run run(const umock::MockBed &bed, const QString &name, const QStringList &args, int timeoutMs = 60000) const;
    Run run(const QProcessEnvironment &env, const QString &name, const QStringList &args, int timeoutMs = 60000) const;

private:
    QTemporaryDir m_dir;
};

// main() of a real-stack test: the process runs with the testbed's library preloaded.
#define REALHID_TEST_MAIN(TestObject)                 \
    int main(int argc, char **argv)                   \
    {                                                 \
        umock::MockBed::preloadSelf(argv);            \
        QCoreApplication app(argc, argv);             \
        TestObject tc;                                \
        QTEST_SET_MAIN_SOURCE_PATH                    \
        return QTest::qExec(&tc, argc, argv);         \
    }
