#pragma once

#include <QByteArray>
#include <QString>

// The text form of commands and replies: unsigned byte values in decimal joined by "_".
// A command text holds the report ID, eight command bytes, then the data bytes.
class CommandText
{
public:
    static constexpr int FeatureSize = 9;    // report ID + 8 command bytes
    static constexpr int MaxDataLength = 514;

    // Splits a command text into its 9-byte feature report and dataLength data bytes.
    // False when the number count is not dataLength + 9 or dataLength is outside 0..514;
    // the outputs are then left untouched. Numbers are truncated to 8 bits, junk reads as 0.
    static bool split(const QString &text, int dataLength, uchar *feature, uchar *data);

    // The bytes joined by "_".
    static QString join(const uchar *bytes, int count);
    static QString join(const QByteArray &bytes);

    // 255 minus the sum of command bytes 1..7, modulo 256 (bytes[0] is the report ID).
    static uchar checksum(const uchar *feature);
    // Command text of report ID 0 followed by the seven bytes, their checksum and the data.
    static QString withChecksum(const QByteArray &command7, const QByteArray &data = QByteArray());
};
