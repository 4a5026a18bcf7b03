#pragma once

#include <QString>

// One entry of the play queue (libmpv's playlist).
struct QueueEntry {
    QString path;
    QString title;      // often empty
    bool current = false;
};
