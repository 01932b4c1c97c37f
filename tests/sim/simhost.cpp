#include "simhost.h"

#include "sim/vmouse.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

namespace simhost {

Bytes command(std::initializer_list<int> bytes1to7, bool checksum, int last)
{
    Bytes r(9, 0);
    int i = 1;
    for (int b : bytes1to7)
        r[i++] = static_cast<unsigned char>(b);
    if (checksum) {
        unsigned sum = 0;
        for (int k = 1; k <= 7; ++k)
            sum += r[k];
        r[8] = static_cast<unsigned char>(255 - sum % 256);
    } else {
        r[8] = static_cast<unsigned char>(last);
    }
    return r;
}

hid_device *openCommand(int id)
{
    return hid_open_path(("vmouse/" + std::to_string(id) + "/command").c_str());
}

hid_device *openEvent(int id)
{
    return hid_open_path(("vmouse/" + std::to_string(id) + "/event").c_str());
}

void pause32()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(32));
}

bool writeTransfer(hid_device *dev, const Bytes &feature, const Bytes &data, int reportLength)
{
    if (hid_send_feature_report(dev, feature.data(), feature.size()) < 0)
        return false;
    pause32();
    if (data.empty())
        return true;
    for (size_t off = 0; off < data.size(); off += static_cast<size_t>(reportLength)) {
        Bytes report(static_cast<size_t>(reportLength) + 1, 0);
        size_t n = std::min(static_cast<size_t>(reportLength), data.size() - off);
        std::copy(data.begin() + static_cast<long>(off), data.begin() + static_cast<long>(off + n), report.begin() + 1);
        if (hid_write(dev, report.data(), report.size()) < 0)
            return false;
    }
    pause32();
    return true;
}

std::string trace()
{
    size_t n = vmouse_trace(nullptr, 0);
    std::string s(n + 1, '\0');
    vmouse_trace(&s[0], s.size());
    s.resize(n);
    return s;
}

std::vector<std::string> lines(const std::string &needle)
{
    std::vector<std::string> out;
    std::istringstream in(trace());
    for (std::string line; std::getline(in, line);)
        if (line.find(needle) != std::string::npos)
            out.push_back(line);
    return out;
}

} // namespace simhost
