/* What the virtual mouse does when the library loads, from its environment:
 * VMOUSE_DEVICES (mice to plug; unset plugs the shipped catalogue's first entry, empty plugs
 * none), VMOUSE_TRACE (file the trace is appended to), VMOUSE_CONTROL (FIFO of control lines). */
#ifndef VMOUSE_ENVIRONMENT_H
#define VMOUSE_ENVIRONMENT_H

#include <string>

namespace vmouse {

class Environment
{
public:
    static void load();
    static void unload();

    // Plugs the mice of `devices` (the value of VMOUSE_DEVICES, or null when unset: then entry
    // [0] of `catalogueFile`, or the built-in mouse when that file has none). Returns the count.
    static int plugDevices(const char *devices, const std::string &catalogueFile);

    static std::string executableDirectory();
};

} // namespace vmouse

#endif
