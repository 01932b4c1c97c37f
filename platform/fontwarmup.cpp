#include "platform/fontwarmup.h"

#ifdef MOUSECFG_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontWarmUp::FontWarmUp()
{
#ifdef MOUSECFG_HAVE_FONTCONFIG
    // fontconfig keeps one current configuration; whoever asks later is given this one.
    m_thread = std::thread([] { FcInit(); });
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
