// The transport's split of a command text: any text, any data length.
#include "fuzzharness.h"

#include "device/commandtext.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int dataLength = (int(data[0]) << 8 | data[1]) - 8; // -8..65527
    const QString text = QString::fromUtf8(FuzzHarness::bytes(data + 2, size - 2));

    // Guards past both ends catch a split that writes beyond the buffers it was given.
    uchar feature[CommandText::FeatureSize + 8];
    uchar payload[CommandText::MaxDataLength + 8];
    std::memset(feature, 0xA5, sizeof feature);
    std::memset(payload, 0xA5, sizeof payload);
    const bool ok = CommandText::split(text, dataLength, feature, payload);
    for (size_t i = CommandText::FeatureSize; i < sizeof feature; ++i)
        FuzzHarness::require(feature[i] == 0xA5, "split wrote past the feature report", text);
    const int limit = ok ? dataLength : 0;
    for (size_t i = size_t(limit); i < sizeof payload; ++i)
        FuzzHarness::require(payload[i] == 0xA5, "split wrote past the data", text);
    if (!ok)
        return 0;

    // What was split joins back to a text that splits to the same bytes.
    const QString again = CommandText::join(feature, CommandText::FeatureSize)
                          + (dataLength > 0 ? QStringLiteral("_") + CommandText::join(payload, dataLength)
                                            : QString());
    uchar feature2[CommandText::FeatureSize];
    uchar payload2[CommandText::MaxDataLength];
    FuzzHarness::require(CommandText::split(again, dataLength, feature2, payload2), "joined text refused", again);
    FuzzHarness::require(std::memcmp(feature, feature2, sizeof feature2) == 0
                             && std::memcmp(payload, payload2, size_t(dataLength)) == 0,
                         "join and split disagree", again);
    return 0;
}
