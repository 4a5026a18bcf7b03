#pragma once

#include <QString>

namespace Lang {
// The interface language: true for English, false (the default) for Portuguese.
// Set once at start-up from "ui/language".
bool& englishFlag();
}

// Every visible text: Portuguese first, English second.
QString L(const char* pt, const char* en);
