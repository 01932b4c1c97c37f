#pragma once

#include <QObject>
#include <QString>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Writes one file soon after it changed: a change is written FirstDelayMs after it (once the
// event that made it has run its course), and later ones ride along until DelayMs after that
// write, so a steady stream of changes is written once every DelayMs. Owners call
// markDirty() on every change (a spurious call costs one comparison in the writer) and flush()
// at exit. Nothing is scheduled until setEnabled(true): tools that only read must never write.
class SaveScheduler : public QObject
{
    Q_OBJECT
public:
    // Unchanged: the file already held what memory holds, nothing was written.
    enum class Result { Saved, Unchanged, Busy, Failed };
    using Writer = std::function<Result()>;

    static constexpr int FirstDelayMs = 100;
    static constexpr int DelayMs = 1000;
    static constexpr int BusyRetryMs = 500;

    SaveScheduler(const QString &fileName, Writer writer, QObject *parent = nullptr);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setDelay(int ms) { m_delayMs = ms; }

    void markDirty();
    bool isDirty() const { return m_dirty; }
    bool isPending() const { return m_timer.isActive(); }
    // Milliseconds until the pending write, -1 when none is pending.
    int remainingMs() const { return m_timer.remainingTime(); }
    // Writes now when dirty. True when nothing is left unsaved.
    bool flush();

    QString fileName() const { return m_fileName; }
    // The file the writer writes now (the active profile's, after a profile switch).
    void setFileName(const QString &fileName) { m_fileName = fileName; }

signals:
    // Once per run of failures; the next successful write ends the run.
    void saveFailed(const QString &fileName);
    void saved();

private:
    void write();
    int nextDelay() const;

    QString m_fileName;
    Writer m_writer;
    QTimer m_timer;
    QElapsedTimer m_lastWrite;
    int m_delayMs = DelayMs;
    bool m_enabled = false;
    bool m_dirty = false;
    bool m_failing = false;
};
