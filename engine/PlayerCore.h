#pragma once

#include <QObject>
#include <QString>

// The playback core. Stand-in until the engine lands: it starts nothing.
class PlayerCore : public QObject
{
    Q_OBJECT
public:
    explicit PlayerCore(QObject* parent = nullptr);
    ~PlayerCore() override;

    bool init(QString* error);
};
