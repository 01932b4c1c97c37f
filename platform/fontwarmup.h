#pragma once

#include <thread>

// Reads the system's font configuration on a thread of its own, begun before the application
// object, so that it overlaps with start-up's other work; the first font lookup would otherwise
// read it on the GUI thread. Does nothing where fonts do not come from fontconfig.
class FontWarmUp
{
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Returns once the configuration is read; at once after the first call.
    void wait();

private:
    std::thread m_thread;
};
