#pragma once

class QApplication;

// The application's one dark look. Stand-in until the theme lands.
namespace Theme {
void apply(QApplication& app);
}
