#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "MpvHandle.h"

// The playback core. Stand-in until the engine lands: it starts nothing.
class PlayerCore : public QObject
{
    Q_OBJECT
public:
    explicit PlayerCore(QObject* parent = nullptr);
    ~PlayerCore() override;

    bool init(QString* error);

    MpvHandle handle() const { return m_handle; }
    void openFiles(const QStringList& paths, int start = 0);

private:
    MpvHandle m_handle;
};
