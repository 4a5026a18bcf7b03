#pragma once

#include <QObject>
#include <QString>

class QJsonObject;
class QNetworkAccessManager;
class QNetworkReply;

// Asks the maker's update manifest whether a newer version exists. Every
// check is independent; checks started close together are each answered.
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

private:
    void onReadyRead(QNetworkReply* reply);
    void onFinished(QNetworkReply* reply, bool manual);
    void answer(const QJsonObject& manifest, bool manual);
    static QString downloadAddress(const QJsonObject& manifest);

    QNetworkAccessManager* m_network;
};
