/* One virtual mouse as it is plugged: its IDs, its two interfaces and its data report length. */
#ifndef VMOUSE_DEVICEDESCRIPTION_H
#define VMOUSE_DEVICEDESCRIPTION_H

#include <string>
#include <vector>

namespace vmouse {

struct DeviceDescription
{
    unsigned short vid = 0xf0e1, pid = 0x7a01;
    unsigned short usagePage = 0xff00, usage = 1;
    unsigned short usagePage2 = 0xff01, usage2 = 1;
    int reportLength = 32;

    static const int maxReportLength = 1024;

    // "vid:pid:usagePage:usage:usagePage2:usage2:reportLength", hex except the decimal length.
    // False (out untouched) for a malformed text or a length outside 1..maxReportLength.
    static bool parse(const std::string &text, DeviceDescription &out);
    // ';'-separated list; empty parts are skipped, malformed ones go to `rejected`.
    static std::vector<DeviceDescription> parseList(const std::string &text,
                                             std::vector<std::string> *rejected = nullptr);
    // Section [section] of an INI text in the catalogue's layout. False when the section is absent.
    static bool fromCatalogue(const std::string &iniText, const std::string &section, DeviceDescription &out);

    std::string toString() const;
};

} // namespace vmouse

#endif
