#include "Lang.h"

bool& Lang::englishFlag()
{
    static bool english = false;
    return english;
}

QString L(const char* pt, const char* en)
{
    return QString::fromUtf8(Lang::englishFlag() ? en : pt);
}
