// Any bytes as the language table.
#include "fuzzharness.h"

#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/mousedata.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzHarness::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzHarness::freshRoot();
    FuzzHarness::writeFile(QStringLiteral("data/apConfig.bin"), "[common]\nlanguage=English\n");
    FuzzHarness::writeFile(QStringLiteral("i18n/English.ini"), FuzzHarness::bytes(data, size));
    FuzzHarness::require(LanguageTable::activeFile() == DataPaths::languageFile(QStringLiteral("English")),
                         "English not chosen");
    MouseData *m = MouseData::instance();
    m->loadLanguage();
    FuzzHarness::require(m->languageTexts.size() <= 65536, "language table beyond its bound");
    // Labels of every kind of function are looked up in the table.
    for (int kind = 0; kind < 8; ++kind)
        (void)m->functionText(uchar(kind), 0, 240, 0);
    (void)m->languageText(-1);
    (void)m->languageText(int(m->languageTexts.size()));
    return 0;
}
