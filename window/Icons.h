#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The interface's pictograms: 64 compiled-in line drawings on a 24 x 24
// grid, recoloured on demand, and the application icon.
namespace Icons {

// The named icon drawn in one colour at size x size logical pixels, at the
// application's device-pixel ratio. Null for an unknown name. Not cached.
QPixmap pixmap(const QString& name, int size, const QColor& color);
// The same at exactly pixels x pixels device pixels, ratio 1.
QPixmap render(const QString& name, int pixels, const QColor& color);

// A cached icon with pixmaps for every widget state: `normal` for the
// unchecked look, `on` for the checked one. Null for an unknown name.
QIcon icon(const QString& name, const QColor& normal, const QColor& on);
// The same in the default colours #c9d4e3 and #2bd9fe.
QIcon icon(const QString& name);

// Every icon name, in table order.
QStringList names();

QIcon appIcon();
QPixmap appLogo(int size);

}  // namespace Icons
