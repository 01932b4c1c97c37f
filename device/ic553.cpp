#include "device/ic553.h"

#include "device/controller.h"
#include "model/mousedata.h"

#include <QDebug>
#include <QVector>

namespace {

const QString kSeparator = QStringLiteral("_");

// A number of a settings text as a byte: decimal, truncated to 8 bits, 0 when it does not parse.
uchar toByte(const QString &text)
{
    return static_cast<uchar>(text.trimmed().toLongLong() & 0xFF);
}

int toInt(const QString &text)
{
    return text.trimmed().toInt();
}

QString join(const QVector<int> &bytes)
{
    QStringList parts;
    parts.reserve(bytes.size());
    for (int b : bytes)
        parts << QString::number(static_cast<uchar>(b & 0xFF));
    return parts.join(kSeparator);
}

// Report ID 0, the command code and seven argument bytes; the last one is the checksum
// 255 - sum(bytes 1..7) for the commands that carry one.
QVector<int> withChecksum(QVector<int> command)
{
    int sum = 0;
    for (int i = 1; i < 8; ++i)
        sum += command[i];
    command[8] = (255 - sum) & 0xFF;
    return command;
}

int dpiThreshold(uchar deviceType)
{
    switch (deviceType) {
    case 1: case 2: case 3: case 4: case 6:
        return 12800;
    default:
        return 7200;
    }
}

struct KeyCode
{
    int kind, p1, p2, p3;
};

// Settings-model key codes to the mouse's own codes.
KeyCode translate(KeyCode k)
{
    switch (k.kind) {
    case 0:
        k.kind = 1;
        break;
    case 1:
        if (k.p1 == 1 && (k.p2 == 240 || k.p2 == 241)) {
            k.kind = k.p3 == 2 ? 12 : 2;
        } else if (k.p2 == 247) {
            k = {5, 1, 1, 0};
        } else if (k.p2 == 248) {
            k = {5, 2, 1, 0};
        } else if (k.p2 == 245) {
            k = {5, 3, 1, 0};
        } else if (k.p2 == 246) {
            k = {5, 4, 1, 0};
        } else {
            k.kind = 2;
        }
        break;
    case 2:
        k.kind = 10;
        break;
    case 5:
        if (k.p1 == 0 && ((k.p2 == 148 && k.p3 == 1) || (k.p2 == 33 && k.p3 == 2)))
            k.kind = 4;
        else
            k.kind = 1;
        break;
    case 6:
        k.kind = 8;
        break;
    default: // 3, 4 and 7 and above go as they are
        break;
    }
    return k;
}

} // namespace

Ic553 *Ic553::instance()
{
    static Ic553 ic;
    return &ic;
}

QList<Ic553::Command> Ic553::capture(const std::function<void(Ic553 &)> &calls)
{
    QList<Command> out;
    QList<Command> *outer = m_capture;
    m_capture = &out;
    calls(*this);
    m_capture = outer;
    return out;
}

int Ic553::dpiStep(int dpi, uchar deviceType)
{
    return dpi > dpiThreshold(deviceType) ? 100 : 50;
}

void Ic553::write(int dataLength, const QString &command)
{
    if (m_capture) {
        m_capture->append({dataLength, command});
        return;
    }
    emit Controller::instance()->send(dataLength, command);
}

void Ic553::setReportRate(const QString &value)
{
    write(0, join(withChecksum({0, 1, toByte(value), 3, 3, 15, 0, 0, 0})));
}

void Ic553::setDpi(const QString &values)
{
    const QStringList parts = values.split(kSeparator);
    if (parts.size() < 18) {
        qWarning() << "setDpi: expected 18 numbers, got" << parts.size();
        return;
    }
    const int threshold = dpiThreshold(MouseData::instance()->deviceType);

    int codes[16];
    int highMask[2] = {0, 0};
    for (int i = 0; i < 16; ++i) {
        const int dpi = toInt(parts.at(i));
        if (dpi > threshold) {
            highMask[i / 8] |= 1 << (i % 8);
            codes[i] = dpi / 100 - 1;
        } else {
            codes[i] = dpi / 50 - 1;
        }
    }
    const int *x = codes;
    const int *y = codes + 8;
    const uchar level = toByte(parts.at(16));
    const uchar mask = toByte(parts.at(17));

    // No pauses between the four: the worker paces every command on the wire and they
    // reach the mouse in emission order.
    write(0, join({0, 8, x[4], x[5], x[6], x[7], highMask[0], 0, 0}));
    write(0, join({0, 7, level, mask, x[0], x[1], x[2], x[3], 0}));
    write(0, join({0, 24, y[4], y[5], y[6], y[7], highMask[1], 0, 0}));
    write(0, join({0, 23, 0, 0, y[0], y[1], y[2], y[3], 0}));
}

void Ic553::readCurrentDpiLevel()
{
    pendingRequest = 0;
    emit Controller::instance()->receive(0, QStringLiteral("0_135_0_0_0_0_0_0_120"));
}

void Ic553::setKeys(const QString &keyMatrix)
{
    const QStringList parts = keyMatrix.split(kSeparator);
    if (parts.size() < 64) {
        // Padding would disable the missing buttons on the mouse; better to leave it as it is.
        qWarning() << "setKeys: expected 64 numbers, got" << parts.size();
        return;
    }
    KeyCode keys[16];
    for (int b = 0; b < 16; ++b) {
        keys[b] = translate({toByte(parts.at(4 * b)), toByte(parts.at(4 * b + 1)),
                             toByte(parts.at(4 * b + 2)), toByte(parts.at(4 * b + 3))});
    }
    keys[7] = {12, 3, 0, 0};
    keys[14].kind = 5;
    keys[15].kind = 5;

    QVector<int> bytes = withChecksum({0, 3, 0, 0, 1, 0, 0, 0, 0});
    for (const KeyCode &k : keys)
        bytes << k.p3 << k.p2 << k.p1 << k.kind;
    write(64, join(bytes));
}

void Ic553::setColors(const QString &values)
{
    const QStringList parts = values.split(kSeparator);
    if (parts.size() != 24) {
        // The transport would refuse the text anyway; say why here, where the cause is known.
        qWarning() << "setColors: expected 24 numbers, got" << parts.size();
        return;
    }
    QVector<int> bytes = withChecksum({0, 12, 0, 0, 1, 0, 0, 0, 0});
    for (const QString &p : parts)
        bytes << toByte(p);
    for (int i = 0; i < 40; ++i)
        bytes << 0;
    write(64, join(bytes));
}

void Ic553::setLighting(const QString &values)
{
    const QStringList parts = values.split(kSeparator);
    if (parts.size() != 4)
        return;
    int mode = 0;
    int brightness = 50;
    int speed = 6;
    const int effect = toInt(parts.at(0));
    const int brightnessStep = toInt(parts.at(1));
    const int speedStep = toInt(parts.at(2));
    switch (effect) {
    case 0: brightness = 0; break;
    // 64-bit: a corrupt profile may hold any int, and only the low byte is sent.
    case 1: brightness = int((qint64(brightnessStep) * 50 / 4) & 0xFF); break;
    case 2: mode = 1; break;
    case 3: mode = 2; break;
    case 4: mode = 4; break;
    case 5: mode = 3; break;
    default: break;
    }
    if (effect >= 2 && effect <= 5)
        speed = int((qint64(speedStep) * 9 / 4 + 1) & 0xFF);
    const uchar slot = toByte(parts.at(3));
    write(0, join({0, 6, mode, slot, brightness, speed, 1, 0, 0}));
}

void Ic553::setMacro(uchar button, const QString &macro)
{
    const QStringList items = macro.split(QStringLiteral("@#"));
    QVector<int> data(192, 0);
    const int loops = toInt(items.at(0));
    data[0] = (loops >> 8) & 0xFF;
    data[1] = loops & 0xFF;

    // Each record carries the delay of the action before it. Every macro starts from 1,
    // so the same macro always gives the same bytes.
    uint carried = 1;
    int pos = 2;
    for (int i = 1; i < items.size(); ++i) {
        const QStringList fields = items.at(i).split(QStringLiteral("_-"));
        if (fields.size() != 3)
            return;
        const int key = MouseData::instance()->keyCode(fields.at(0)) & 0xFF;
        const bool release = toInt(fields.at(1)) == 0;
        if (carried > 125) {
            data[pos++] = release ? 255 : 127;
            data[pos++] = key;
            data[pos++] = (carried / 256) & 0xFF;
            data[pos++] = carried % 256;
        } else {
            data[pos++] = (carried == 0 ? 1 : int(carried)) | (release ? 0x80 : 0);
            data[pos++] = key;
        }
        carried = fields.at(2).trimmed().toUInt();
        if (pos > 185)
            break; // the macro area is full
    }

    QVector<int> bytes = withChecksum({0, 5, 0, button, 3, 0, 0, 0, 0});
    bytes << data;
    write(192, join(bytes));
}

void Ic553::parseReply(const QString &reply)
{
    const QStringList parts = reply.split(kSeparator);
    if (pendingRequest != 0 || parts.size() < 2)
        return;
    MouseData *model = MouseData::instance();
    model->currentDpiLevel = toByte(parts.at(1));
    emit model->dpiKeyPressed(model->currentDpiLevel);
}
