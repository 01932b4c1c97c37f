// Any bytes as a macro exchange file imported into a store that already holds macros.
#include "fuzzharness.h"

#include "model/macrodata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/macro.bin"),
                           FuzzHarness::shipped(QStringLiteral("tests/data/qt5-written/macro.bin")));
    FuzzHarness::writeFile(QStringLiteral("in.mc"), FuzzHarness::bytes(data, size));
    MacroData *store = MacroData::instance();
    store->load();
    const QStringList names = store->macroNames();
    const QStringList actions = store->macroActions();

    QString error;
    const int added = store->importMacros(root + QStringLiteral("/in.mc"), &error);
    FuzzHarness::require(added != -1 || !error.isEmpty(), "import failed without saying why");
    // An import only ever appends: the macros already there keep their names and actions.
    FuzzHarness::require(store->macroNames().mid(0, names.size()) == names, "import changed an existing name");
    for (int i = 0; i < names.size(); ++i)
        FuzzHarness::require(store->macroActions().value(i) == actions.value(i), "import changed an existing action");
    if (added > 0)
        FuzzHarness::require(store->macroNames().size() == names.size() + added, "import count disagrees with the names");
    else
        FuzzHarness::require(store->macroNames() == names, "a failed import changed the names");

    for (int i = 0; i < store->macroActions().size(); ++i)
        store->sendMacro(i, i & 15);
    return 0;
}
