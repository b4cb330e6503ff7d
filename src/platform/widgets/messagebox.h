#pragma once

#include <QString>

// A modal message box with only an OK button.
class MessageBox
{
public:
    enum class Icon { None, Warning };

    virtual ~MessageBox() = default;
    virtual void show(const QString &prompt, const QString &title, Icon icon = Icon::None) = 0;
};
