#pragma once

#include <QIcon>

// Named line icons. Stand-in until the icon set lands.
namespace Icons {
QIcon appIcon();
}
