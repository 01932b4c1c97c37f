#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: the application object, a data root of its own for each
// input, and a check of every command text the chip protocol hands to the controller.
class FuzzHarness
{
public:
    // Once, from LLVMFuzzerInitialize: the application object (QSettings needs one), Qt's
    // messages silenced, the controller created with its worker cut off so that the texts it
    // would send are checked here instead; the chip protocol made current.
    static void init(int *argc, char ***argv);

    // A new empty directory made the data root (data/ and i18n/ inside); the previous one is removed.
    static QString freshRoot();
    // Writes bytes to <root>/<relative>.
    static void writeFile(const QString &relative, const QByteArray &bytes);
    static QByteArray bytes(const uint8_t *data, size_t size);
    // The shipped file data/<name> or tests/data/qt5-written/<name>.
    static QByteArray shipped(const QString &relative);

    // Command texts seen since the last call.
    static int takeSentCount();

    // Aborts (a finding) with the message when the condition does not hold.
    static void require(bool condition, const char *what, const QString &detail = QString());

private:
    static void checkCommand(int dataLength, const QString &text);
};
