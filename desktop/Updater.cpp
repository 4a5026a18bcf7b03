#include "Updater.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QVersionNumber>

#include "WebAddresses.h"

namespace {
constexpr int kTimeoutMs = 10000;
// The manifest is a few hundred bytes; anything past this is not one.
constexpr qint64 kMaxManifest = 1024 * 1024;
constexpr char kTooLong[] = "orvelTooLong";
const QString kInvalid = QStringLiteral("update.json invalido");

bool isWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}
}  // namespace

Updater::Updater(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
}

void Updater::check(bool manual)
{
    QNetworkRequest request(QUrl(QString::fromLatin1(WebAddresses::kUpdateManifest), QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Orvel/%1").arg(QLatin1String(WebAddresses::kVersion)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, manual] { onFinished(reply, manual); });
}

// Stops a body that outgrows any manifest instead of buffering it whole.
void Updater::onReadyRead(QNetworkReply* reply)
{
    if (reply->bytesAvailable() <= kMaxManifest || reply->property(kTooLong).toBool())
        return;
    reply->setProperty(kTooLong, true);
    reply->abort();
}

void Updater::onFinished(QNetworkReply* reply, bool manual)
{
    reply->deleteLater();
    if (reply->property(kTooLong).toBool()) {
        if (manual)
            emit failed(kInvalid);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        if (manual)
            emit failed(reply->errorString());
        return;
    }
    answer(QJsonDocument::fromJson(reply->readAll()).object(), manual);
}

void Updater::answer(const QJsonObject& manifest, bool manual)
{
    const QString version = manifest.value(QLatin1String("version")).toString();
    if (version.isEmpty()) {
        if (manual)
            emit failed(kInvalid);
        return;
    }
    if (isNewer(version, QString::fromLatin1(WebAddresses::kVersion)))
        emit updateAvailable(version, manifest.value(QLatin1String("notes")).toString(), downloadAddress(manifest));
    else if (manual)
        emit upToDate();
}

// The Linux download, else the release page, else the product page; an
// address that is not a web address with a host counts as missing.
QString Updater::downloadAddress(const QJsonObject& manifest)
{
    const QString url = manifest.value(QLatin1String("linux")).toObject().value(QLatin1String("url")).toString();
    if (isWebAddress(url))
        return url;
    const QString page = manifest.value(QLatin1String("page")).toString();
    if (isWebAddress(page))
        return page;
    return QString::fromLatin1(WebAddresses::kProductPage);
}

bool Updater::isNewer(const QString& candidate, const QString& current)
{
    return QVersionNumber::compare(QVersionNumber::fromString(candidate), QVersionNumber::fromString(current)) > 0;
}
