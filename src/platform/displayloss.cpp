#include "displayloss.h"

#include <cstdlib>

namespace {

DisplayLoss *g_watching = nullptr;
bool g_registered = false;

} // namespace

DisplayLoss::DisplayLoss(QObject *parent)
    : QObject(parent)
{
    g_watching = this;
    if (!std::exchange(g_registered, true))
        std::atexit(&DisplayLoss::onExit);
}

DisplayLoss::~DisplayLoss()
{
    if (g_watching == this)
        g_watching = nullptr;
}

void DisplayLoss::onExit()
{
    if (DisplayLoss *watching = std::exchange(g_watching, nullptr))
        emit watching->lost();
}
