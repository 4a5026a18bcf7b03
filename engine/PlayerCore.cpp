#include "PlayerCore.h"

PlayerCore::PlayerCore(QObject* parent) : QObject(parent) {}

PlayerCore::~PlayerCore() = default;

bool PlayerCore::init(QString* error)
{
    if (error)
        error->clear();
    return true;
}

void PlayerCore::openFiles(const QStringList&, int) {}
