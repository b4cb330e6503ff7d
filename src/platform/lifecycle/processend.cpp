#include "processend.h"

#include <QCoreApplication>

#include <cstdlib>
#include <unistd.h>

void QtProcessControl::endProcess()
{
    QCoreApplication::exit(0);
}

void QtProcessControl::endAtOnce()
{
    ::_exit(EXIT_FAILURE);
}
