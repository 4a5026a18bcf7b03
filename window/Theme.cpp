#include "Theme.h"

#include <QApplication>
#include <QStyleFactory>

namespace Theme {

void apply(QApplication& app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

}  // namespace Theme
