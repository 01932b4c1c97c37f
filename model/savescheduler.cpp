#include "model/savescheduler.h"

SaveScheduler::SaveScheduler(const QString &fileName, Writer writer, QObject *parent)
    : QObject(parent)
    , m_fileName(fileName)
    , m_writer(std::move(writer))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SaveScheduler::write);
}

void SaveScheduler::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        m_timer.stop();
    else if (m_dirty && !m_failing)
        m_timer.start(nextDelay());
}

int SaveScheduler::nextDelay() const
{
    // A lone change is on disk at once, whatever ends the program next; one soon after a write
    // waits for the rest of the period, so that a drag or a stream of changes is not written
    // with every step.
    const int first = qMin(FirstDelayMs, m_delayMs);
    if (!m_lastWrite.isValid())
        return first;
    return int(qBound(qint64(first), m_delayMs - m_lastWrite.elapsed(), qint64(m_delayMs)));
}

void SaveScheduler::markDirty()
{
    m_dirty = true;
    // Not restarted: the clock runs from the first change of a burst.
    if (m_enabled && !m_timer.isActive())
        m_timer.start(nextDelay());
}

bool SaveScheduler::flush()
{
    m_timer.stop();
    if (m_dirty)
        write();
    return !m_dirty;
}

void SaveScheduler::write()
{
    const Result result = m_writer();
    if (result == Result::Saved || result == Result::Failed)
        m_lastWrite.start();
    switch (result) {
    case Result::Saved:
    case Result::Unchanged:
        m_dirty = false;
        m_failing = false;
        emit saved();
        break;
    case Result::Busy:
        // Another writer holds the file for a moment; try again soon, without telling anyone.
        if (m_enabled)
            m_timer.start(BusyRetryMs);
        break;
    case Result::Failed:
        // Retried on the next change (or at exit), not in a loop against a full disk.
        if (!m_failing) {
            m_failing = true;
            emit saveFailed(m_fileName);
        }
        break;
    }
}
