#pragma once

#include "processcontrol.h"

#include <functional>

// The end of the program: the event loop's, or at once.
class QtProcessControl final : public ProcessControl
{
public:
    void endProcess() override;
    void endAtOnce() override;

    // Runs just before the end at once: what must not outlive the program
    // and waits for no destructor.
    std::function<void()> beforeEndAtOnce;
};
