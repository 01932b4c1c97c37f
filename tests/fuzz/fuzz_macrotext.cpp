// Macro action strings: the store's device form, then the chip protocol's macro command.
#include "fuzzharness.h"

#include "device/ic553.h"
#include "model/macrodata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uchar button = data[0] & 0x0F;
    const bool raw = data[0] & 0x80;
    const QString text = QString::fromUtf8(FuzzHarness::bytes(data + 1, size - 1));
    FuzzHarness::takeSentCount();
    if (raw) {
        Ic553::instance()->setMacro(button, text);
    } else {
        const QString form = MacroData::deviceForm(text);
        if (!form.isEmpty()) {
            // Every item of the device form is name, state and the pause after it.
            const QStringList items = form.split(QStringLiteral("@#"));
            for (int i = 1; i < items.size(); ++i)
                FuzzHarness::require(items.at(i).split(QStringLiteral("_-")).size() == 3,
                                     "device form item without three fields", form);
            Ic553::instance()->setMacro(button, form);
            FuzzHarness::require(FuzzHarness::takeSentCount() == 1, "a device form was not sent", form);
        }
    }
    FuzzHarness::require(FuzzHarness::takeSentCount() <= 1, "more than one macro command", text);
    return 0;
}
