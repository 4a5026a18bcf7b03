#pragma once

#include <QString>

// One chapter of the playing file: where it starts and its title.
struct Chapter {
    double time = 0;   // seconds
    QString title;
};
