#pragma once

#include <QString>

// Starts the help viewer on a help file as a program of its own and returns at
// once. What the viewer does with a missing file is its own business.
class HelpLauncher
{
public:
    virtual ~HelpLauncher() = default;
    virtual void showHelp(const QString &helpFile, const QString &helpKey, int helpCommand) = 0;
};
