#pragma once

#include <QObject>

// The library database. Stand-in until the library lands.
class Database : public QObject
{
    Q_OBJECT
public:
    static Database* instance();
    bool open();

private:
    explicit Database(QObject* parent);
};
