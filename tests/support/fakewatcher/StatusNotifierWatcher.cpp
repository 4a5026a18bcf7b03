#include "StatusNotifierWatcher.h"

#include <cstdio>

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service)
{
    m_items.append(service);
    std::printf("registered %s\n", qPrintable(service));
    std::fflush(stdout);
    emit StatusNotifierItemRegistered(service);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString&)
{
    emit StatusNotifierHostRegistered();
}
