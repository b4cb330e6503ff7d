#pragma once

#include "processcontrol.h"

// The end of the program: the event loop's, or at once.
class QtProcessControl final : public ProcessControl
{
public:
    void endProcess() override;
    void endAtOnce() override;
};
