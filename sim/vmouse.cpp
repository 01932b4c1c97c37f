// The virtual mouse's own controls (vmouse.h, vmousestate.h, vmousefaults.h) and its set-up
// at library load.
#include "sim/vmouse.h"

#include "sim/bus.h"
#include "sim/environment.h"
#include "sim/vmousefaults.h"
#include "sim/vmousestate.h"

#include <cstring>

using vmouse::Bus;

namespace {

__attribute__((constructor)) void vmouseLoad()
{
    vmouse::Environment::load();
}

__attribute__((destructor)) void vmouseUnload()
{
    vmouse::Environment::unload();
}

} // namespace

extern "C" {

int vmouse_plug(unsigned short vid, unsigned short pid, unsigned short usagePage, unsigned short usage,
                unsigned short usagePage2, unsigned short usage2, int reportLength)
{
    vmouse::DeviceDescription d;
    d.vid = vid;
    d.pid = pid;
    d.usagePage = usagePage;
    d.usage = usage;
    d.usagePage2 = usagePage2;
    d.usage2 = usage2;
    d.reportLength = reportLength;
    return Bus::instance().plug(d);
}

void vmouse_unplug(int id)
{
    Bus::instance().unplug(id);
}

int vmouse_add_decoy(unsigned short vid, unsigned short pid, unsigned short usagePage, unsigned short usage)
{
    return Bus::instance().addDecoy(vid, pid, usagePage, usage);
}

void vmouse_reset(void)
{
    Bus::instance().reset();
}

unsigned vmouse_enumerations(void)
{
    return Bus::instance().enumerations();
}

void vmouse_push_event(int id, unsigned char b0, unsigned char b1, unsigned char b2, unsigned char b3)
{
    Bus::instance().pushEvent(id, {b0, b1, b2, b3});
}

void vmouse_press_dpi_button(int id, int level)
{
    Bus::instance().pressDpiButton(id, level);
}

void vmouse_fail_next(const char *operation, int count)
{
    if (operation)
        Bus::instance().failNext(operation, count);
}

size_t vmouse_trace(char *buffer, size_t size)
{
    std::string text = Bus::instance().traceText();
    if (buffer && size > 0) {
        size_t n = std::min(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size();
}

int vmouse_trace_to_file(const char *path)
{
    return path && Bus::instance().traceToFile(path) ? 0 : -1;
}

int vmouse_get_state(int id, struct vmouse_state *out)
{
    return Bus::instance().state(id, out);
}

void vmouse_stall(int ms)
{
    Bus::instance().stall(ms);
}

void vmouse_stall_command(int ms)
{
    Bus::instance().stall(ms, true);
}

} // extern "C"
