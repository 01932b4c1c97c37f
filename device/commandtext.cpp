#include "device/commandtext.h"

#include <QStringList>

#include <cstring>

bool CommandText::split(const QString &text, int dataLength, uchar *feature, uchar *data)
{
    if (dataLength < 0 || dataLength > MaxDataLength)
        return false;
    const QStringList parts = text.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    if (parts.size() != dataLength + FeatureSize)
        return false;
    for (int i = 0; i < parts.size(); ++i) {
        const uchar b = uchar(parts.at(i).toInt());
        if (i < FeatureSize)
            feature[i] = b;
        else
            data[i - FeatureSize] = b;
    }
    return true;
}

QString CommandText::join(const uchar *bytes, int count)
{
    QString text;
    text.reserve(count * 4);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char('_');
        text += QString::number(bytes[i]);
    }
    return text;
}

QString CommandText::join(const QByteArray &bytes)
{
    return join(reinterpret_cast<const uchar *>(bytes.constData()), int(bytes.size()));
}

uchar CommandText::checksum(const uchar *feature)
{
    unsigned sum = 0;
    for (int i = 1; i <= 7; ++i)
        sum += feature[i];
    return uchar(255 - sum % 256);
}

QString CommandText::withChecksum(const QByteArray &command7, const QByteArray &data)
{
    uchar feature[FeatureSize] = {};
    std::memcpy(feature + 1, command7.constData(), size_t(qMin<qsizetype>(command7.size(), 7)));
    feature[8] = checksum(feature);
    QString text = join(feature, FeatureSize);
    if (!data.isEmpty())
        text += QLatin1Char('_') + join(data);
    return text;
}
