#include "privatebus.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {
const char *const Marker = "MOUSECFG_PRIVATE_BUS";
}

bool onPrivateBus()
{
    const char *v = std::getenv(Marker);
    return v && *v;
}

int runOnPrivateBus(int argc, char *argv[])
{
    if (onPrivateBus())
        return 0;
    setenv(Marker, "1", 1);
    std::vector<char *> args{const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("dbus-run-session", args.data());
    perror("dbus-run-session");
    return 1;
}
