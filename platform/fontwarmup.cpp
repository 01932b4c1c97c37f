#include "platform/fontwarmup.h"

#include <system_error>

#ifdef MOUSECFG_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontWarmUp::FontWarmUp()
{
#ifdef MOUSECFG_HAVE_FONTCONFIG
    // fontconfig keeps one current configuration; whoever asks later is given this one.
    try {
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to be had: the first font lookup reads it, as it would without this.
    }
#endif
}

FontWarmUp::~FontWarmUp()
{
    wait();
}

void FontWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
