#pragma once

#include <thread>

// fontconfig reads its configuration files and its list of fonts the first
// time any text is laid out: some 25 million instructions, the largest single
// part of the program's start. The main window's text boxes lay out their text
// when they are made, so that reading would come before the window is shown.
// This starts it on a thread of its own at once, so that it runs while the
// application object connects to the display; wait() before anything else
// may use fonts.
class FontConfigWarmUp
{
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

    void wait();

private:
    std::thread m_thread;
};
