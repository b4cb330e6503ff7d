#include "fontwarmup.h"

#include <dlfcn.h>

FontConfigWarmUp::FontConfigWarmUp()
{
    // Qt's font database calls FcInit too, which then finds the work done.
    // fontconfig is loaded with Qt's GUI library; without it there is nothing
    // to start.
    using Init = int (*)();
    if (const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit")))
        m_thread = std::thread(init);
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
