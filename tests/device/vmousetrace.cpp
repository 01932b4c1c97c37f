#include "vmousetrace.h"

#include "sim/vmouse.h"

#include <QStringList>

#include <vector>

QString VmouseTrace::raw()
{
    const size_t size = vmouse_trace(nullptr, 0);
    std::vector<char> buffer(size + 1, 0);
    vmouse_trace(buffer.data(), buffer.size());
    return QString::fromUtf8(buffer.data());
}

QList<VmouseTrace::Line> VmouseTrace::lines()
{
    QList<Line> result;
    const QStringList rows = raw().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString row : rows) {
        const int hash = row.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            row.truncate(hash);
        const QStringList f = row.simplified().split(QLatin1Char(' '));
        if (f.size() < 3)
            continue;
        Line l;
        l.ms = f.at(0).toDouble();
        l.op = f.at(1);
        l.path = f.at(2);
        l.text = f.mid(3).join(QLatin1Char(' '));
        bool allHex = true;
        QByteArray bytes;
        for (const QString &b : f.mid(3)) {
            bool ok = false;
            const uint v = b.toUInt(&ok, 16);
            if (!ok || b.size() != 2) {
                allHex = false;
                break;
            }
            bytes.append(char(v));
        }
        if (allHex)
            l.bytes = bytes;
        result.append(l);
    }
    return result;
}

QList<VmouseTrace::Line> VmouseTrace::lines(const QString &op, const QString &path)
{
    QList<Line> result;
    for (const Line &l : lines()) {
        if (l.op == op && (path.isEmpty() || l.path == path))
            result.append(l);
    }
    return result;
}
