// Any bytes as the macro store: load, send every macro, save and load again.
#include "fuzzharness.h"

#include "model/macrodata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/macro.bin"), FuzzHarness::bytes(data, size));
    MacroData *store = MacroData::instance();
    store->load();
    const int count = int(store->macroActions().size());
    for (int i = -1; i <= count; ++i)
        store->sendMacro(i, i & 15);

    const QStringList names = store->macroNames();
    const QStringList actions = store->macroActions();
    FuzzHarness::require(store->save(), "macro store not written");
    store->load();
    // An empty name list is stored as an empty text, which reads back as no names.
    if (!(names.size() == 1 && names.at(0).isEmpty()))
        FuzzHarness::require(store->macroNames() == names, "macro names changed by save and load",
                             names.join(QStringLiteral("|")) + QStringLiteral(" / ")
                                 + store->macroNames().join(QStringLiteral("|")));
    FuzzHarness::require(store->macroActions().size() >= actions.size(), "macro actions lost by save and load");
    for (int i = 0; i < actions.size(); ++i)
        FuzzHarness::require(store->macroActions().at(i) == actions.at(i), "macro action changed by save and load",
                             actions.at(i) + QStringLiteral(" / ") + store->macroActions().at(i));
    return 0;
}
