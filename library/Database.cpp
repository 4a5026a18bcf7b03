#include "Database.h"

#include <QCoreApplication>

Database* Database::instance()
{
    static Database* db = new Database(QCoreApplication::instance());
    return db;
}

Database::Database(QObject* parent) : QObject(parent) {}

bool Database::open()
{
    return true;
}
