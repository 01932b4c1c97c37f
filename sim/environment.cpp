#include "sim/environment.h"

#include "sim/bus.h"
#include "sim/controlfifo.h"
#include "sim/devicedescription.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace vmouse {

namespace {

ControlFifo &control()
{
    static ControlFifo fifo;
    return fifo;
}

} // namespace

int Environment::plugDevices(const char *devices, const std::string &catalogueFile)
{
    std::vector<DeviceDescription> list;
    if (devices) {
        std::vector<std::string> rejected;
        list = DeviceDescription::parseList(devices, &rejected);
        for (const std::string &r : rejected)
            std::fprintf(stderr, "vmouse: ignored device \"%s\" in VMOUSE_DEVICES\n", r.c_str());
    } else {
        DeviceDescription d;
        std::ifstream file(catalogueFile, std::ios::binary);
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            if (!DeviceDescription::fromCatalogue(text.str(), "0", d))
                d = DeviceDescription();
        }
        list.push_back(d);
    }
    int plugged = 0;
    for (const DeviceDescription &d : list)
        if (Bus::instance().plug(d) >= 0)
            ++plugged;
    return plugged;
}

std::string Environment::executableDirectory()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void Environment::load()
{
    if (const char *trace = std::getenv("VMOUSE_TRACE"); trace && *trace)
        if (!Bus::instance().traceToFile(trace))
            std::fprintf(stderr, "vmouse: cannot append the trace to %s\n", trace);
    plugDevices(std::getenv("VMOUSE_DEVICES"), executableDirectory() + "/data/apConfig.bin");
    if (const char *fifo = std::getenv("VMOUSE_CONTROL"); fifo && *fifo)
        if (!control().start(fifo))
            std::fprintf(stderr, "vmouse: cannot read control lines from %s\n", fifo);
}

void Environment::unload()
{
    control().stop();
}

} // namespace vmouse
