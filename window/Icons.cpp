#include "Icons.h"

namespace Icons {

QIcon appIcon()
{
    return QIcon();
}

}  // namespace Icons
