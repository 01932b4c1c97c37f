#include "sim/devicedescription.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vmouse {

namespace {

std::string trimmed(const std::string &s)
{
    const char *ws = " \t\r\n";
    size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

bool parseNumber(const std::string &raw, int base, long max, long &out)
{
    std::string s = trimmed(raw);
    if (s.empty())
        return false;
    if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = s.substr(2);
    for (char c : s) {
        bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                             : (c >= '0' && c <= '9');
        if (!ok)
            return false;
    }
    errno = 0;
    long v = std::strtol(s.c_str(), nullptr, base);
    if (errno != 0 || v < 0 || v > max)
        return false;
    out = v;
    return true;
}

// Qt's INI writer may quote a value.
std::string unquoted(const std::string &v)
{
    std::string t = trimmed(v);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
        return t.substr(1, t.size() - 2);
    return t;
}

} // namespace

bool DeviceDescription::parse(const std::string &text, DeviceDescription &out)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (fields.size() != 7)
        return false;
    long v[7];
    for (int i = 0; i < 6; ++i)
        if (!parseNumber(fields[i], 16, 0xffff, v[i]))
            return false;
    if (!parseNumber(fields[6], 10, maxReportLength, v[6]) || v[6] < 1)
        return false;
    DeviceDescription d;
    d.vid = static_cast<unsigned short>(v[0]);
    d.pid = static_cast<unsigned short>(v[1]);
    d.usagePage = static_cast<unsigned short>(v[2]);
    d.usage = static_cast<unsigned short>(v[3]);
    d.usagePage2 = static_cast<unsigned short>(v[4]);
    d.usage2 = static_cast<unsigned short>(v[5]);
    d.reportLength = static_cast<int>(v[6]);
    out = d;
    return true;
}

std::vector<DeviceDescription> DeviceDescription::parseList(const std::string &text, std::vector<std::string> *rejected)
{
    std::vector<DeviceDescription> list;
    size_t start = 0;
    while (start <= text.size()) {
        size_t semi = text.find(';', start);
        std::string part = trimmed(text.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (!part.empty()) {
            DeviceDescription d;
            if (parse(part, d))
                list.push_back(d);
            else if (rejected)
                rejected->push_back(part);
        }
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return list;
}

bool DeviceDescription::fromCatalogue(const std::string &iniText, const std::string &section, DeviceDescription &out)
{
    // Missing or unparsable keys read as the host reads them: 0, and 32 for the length.
    DeviceDescription d;
    d.vid = d.pid = d.usagePage = d.usage = d.usagePage2 = d.usage2 = 0;
    d.reportLength = 32;
    bool inSection = false, found = false;
    size_t pos = 0;
    while (pos < iniText.size()) {
        size_t eol = iniText.find('\n', pos);
        std::string line = trimmed(iniText.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos));
        pos = eol == std::string::npos ? iniText.size() : eol + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            inSection = close != std::string::npos && trimmed(line.substr(1, close - 1)) == section;
            found = found || inSection;
            continue;
        }
        if (!inSection)
            continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = trimmed(line.substr(0, eq));
        std::string value = unquoted(line.substr(eq + 1));
        long v = 0;
        unsigned short *hexField = key == "vid" ? &d.vid
                                 : key == "pid" ? &d.pid
                                 : key == "usagePage" ? &d.usagePage
                                 : key == "usage" ? &d.usage
                                 : key == "usagePage2" ? &d.usagePage2
                                 : key == "usage2" ? &d.usage2
                                 : nullptr;
        if (hexField)
            *hexField = parseNumber(value, 16, 0xffff, v) ? static_cast<unsigned short>(v) : 0;
        else if (key == "reportLength")
            d.reportLength = parseNumber(value, 10, maxReportLength, v) && v >= 1 ? static_cast<int>(v) : 32;
    }
    if (!found)
        return false;
    out = d;
    return true;
}

std::string DeviceDescription::toString() const
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04x:%04x:%04x:%04x:%04x:%04x:%d",
                  vid, pid, usagePage, usage, usagePage2, usage2, reportLength);
    return buf;
}

} // namespace vmouse
