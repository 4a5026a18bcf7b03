#include "Updater.h"

#include <QTimer>
#include <QVersionNumber>

#include "Lang.h"

Updater::Updater(QObject* parent) : QObject(parent)
{
}

// There is no manifest request yet: a check the user asked for says so,
// from the event loop like a real answer; the check at start says nothing.
void Updater::check(bool manual)
{
    if (!manual)
        return;
    QTimer::singleShot(0, this, [this] {
        emit failed(L("Verificação de atualizações ainda não disponível", "Update check not available yet"));
    });
}

bool Updater::isNewer(const QString& candidate, const QString& current)
{
    return QVersionNumber::compare(QVersionNumber::fromString(candidate), QVersionNumber::fromString(current)) > 0;
}
