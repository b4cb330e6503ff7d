#pragma once

// Ends the program at once from inside a handler: the windows go away and no
// further handler runs.
class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    virtual void endProcess() = 0;
};
