#pragma once

#include <QObject>
#include <QString>

// Asks the maker's update manifest whether a newer version exists.
class Updater : public QObject
{
    Q_OBJECT
public:
    explicit Updater(QObject* parent = nullptr);

    // Starts one check and returns at once; the answer comes as a signal.
    // An automatic check (manual false) reports only a newer version.
    void check(bool manual);

    // True when candidate is a higher version number than current.
    static bool isNewer(const QString& candidate, const QString& current);

signals:
    void updateAvailable(const QString& version, const QString& notes, const QString& url);
    void upToDate();
    void failed(const QString& error);
};
