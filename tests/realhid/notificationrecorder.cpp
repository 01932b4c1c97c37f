#include "notificationrecorder.h"

bool NotificationRecorder::has(const QString &summary, const QString &body) const
{
    for (const Shown &s : shown)
        if (s.summary == summary && s.body == body)
            return true;
    return false;
}

uint NotificationRecorder::Notify(const QString &, uint replacesId, const QString &, const QString &summary,
                                  const QString &body, const QStringList &, const QVariantMap &, int)
{
    shown.append({summary, body});
    return replacesId ? replacesId : ++m_lastId;
}
