#pragma once

#include <QStringList>

// The two command-line test modes ("--selftest", "--screenshots"): they run
// on Qt's test-mode data folder, emptied at every start, never on the user's.
namespace TestMode {

enum Mode { None, SelfTest, Screenshots };

// Reads the first argument only.
Mode fromArguments(const QStringList& args);

// Switches Qt to its test-mode folders, empties the data folder there and
// writes the library folders the mode plays from. Must run before anything
// asks for the data folder or the settings.
void prepare(Mode mode, const QStringList& args);

}  // namespace TestMode
