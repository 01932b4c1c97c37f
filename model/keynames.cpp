#include "model/keynames.h"

QMap<int, QString> KeyNames::table()
{
    QMap<int, QString> names;
    for (int i = 0; i < 26; ++i)
        names.insert(4 + i, QString(QChar(u'A' + i)));
    for (int i = 0; i < 9; ++i)
        names.insert(30 + i, QString::number(i + 1));
    names.insert(39, QStringLiteral("0"));

    static const struct { int code; const char *name; } fixed[] = {
        {40, "Enter"}, {41, "Esc"}, {42, "Back"}, {43, "Tab"}, {44, "Space"}, {45, "-"},
        {46, "="}, {47, "["}, {48, "]"}, {49, "\\"}, {50, "\\"}, {51, ";"}, {52, "'"},
        {53, "`"}, {54, ","}, {55, "."}, {56, "/"}, {57, "Caps"},
        {70, "Prt"}, {71, "Scr"}, {72, "Pau"}, {73, "Ins"}, {74, "Hom"}, {75, "PgU"},
        {76, "Del"}, {77, "End"}, {78, "PgD"}, {79, "Right"}, {80, "Left"}, {81, "Down"},
        {82, "Up"},
        {83, "Num"}, {84, "/"}, {85, "*"}, {86, "-"}, {87, "+"}, {88, "Enter"},
        {98, "KP0"}, {99, "."},
        {100, "Eur2"}, {101, "App"}, {102, "Power"}, {103, "KP="},
        {133, "Keypad"}, {135, "Int11"}, {136, "Int12"}, {137, "Int13"}, {138, "Int14"},
        {139, "Int15"}, {144, "Lang1"}, {145, "Lang2"},
        {224, "LCtrl"}, {225, "LShift"}, {226, "LAlt"}, {227, "LWin"},
        {228, "RCtrl"}, {229, "RShift"}, {230, "RAlt"}, {231, "RWin"},
        {240, "MS-L"}, {241, "MS-R"}, {242, "MS-M"}, {243, "MS-B4"}, {244, "MS-B5"},
    };
    for (const auto &f : fixed)
        names.insert(f.code, QString::fromLatin1(f.name));
    for (int i = 0; i < 12; ++i) {
        names.insert(58 + i, QStringLiteral("F%1").arg(i + 1));
        names.insert(104 + i, QStringLiteral("F%1").arg(i + 13));
    }
    for (int i = 0; i < 9; ++i)
        names.insert(89 + i, QStringLiteral("KP%1").arg(i + 1));
    return names;
}
