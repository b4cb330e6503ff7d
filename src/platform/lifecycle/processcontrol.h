#pragma once

// Ends the program at once from inside a handler: the windows go away and no
// further handler runs.
class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    virtual void endProcess() = 0;
    // Ends the program now, from wherever it is waiting, without a word more.
    virtual void endAtOnce() { endProcess(); }
};
