#pragma once

#include <QString>

// A modal file-open dialog that keeps its file name from one use to the next.
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    // Shows the dialog and waits; true when the user chose a file.
    virtual bool showOpen() = 0;
    // The full path chosen last, or the empty text before any choice.
    virtual QString fileName() const = 0;
};
