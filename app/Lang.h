#pragma once

#include <QString>

namespace Lang {
// The interface language: true for English, false (the default) for Portuguese.
// Set once at start-up from "ui/language".
bool& englishFlag();

// Gives the toolkit's own texts (dialog buttons, editor placeholders) in
// Portuguese: installs Qt's Brazilian, else Portuguese, catalogue when one
// is installed on the system. Call once, after the application object.
void installToolkitTranslation();
}

// Every visible text: Portuguese first, English second.
QString L(const char* pt, const char* en);
