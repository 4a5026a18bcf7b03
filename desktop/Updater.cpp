#include "Updater.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QVersionNumber>

#include "Lang.h"
#include "WebAddresses.h"

namespace {
constexpr int kTimeoutMs = 10000;
// The whole check, however slowly the body trickles in.
constexpr int kDeadlineMs = 15000;
// The manifest is a few hundred bytes; anything past this is not one.
constexpr qint64 kMaxManifest = 1024 * 1024;
constexpr qsizetype kMaxVersion = 32;
constexpr qsizetype kMaxNotes = 2000;
constexpr char kTooLong[] = "orvelTooLong";

// ORVEL_NET_DEADLINE_MS, when set, replaces the deadline (for diagnosis and
// tests).
int deadlineMs()
{
    const int forced = qEnvironmentVariableIntValue("ORVEL_NET_DEADLINE_MS");
    return forced > 0 ? forced : kDeadlineMs;
}

QString invalidAnswer()
{
    return L("resposta inválida", "invalid answer");
}

// What the user is told of a failed transfer; the details go to the log.
QString reasonOf(const QNetworkReply* reply)
{
    const auto error = reply->error();
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        return L("tempo esgotado", "timed out");
    return L("erro de rede", "network error");
}

// A short one-line text that starts with the version's numbers; what follows
// them ("-rc1") is shown but not compared.
bool isVersionText(const QString& version)
{
    static const QRegularExpression re(QStringLiteral("^\\d[^\\p{Cc}]*$"));
    return version.size() <= kMaxVersion && re.match(version).hasMatch();
}

QString cappedNotes(const QString& notes)
{
    if (notes.size() <= kMaxNotes)
        return notes;
    const qsizetype cut = notes.at(kMaxNotes - 1).isHighSurrogate() ? kMaxNotes - 1 : kMaxNotes;
    return notes.left(cut) + QStringLiteral("…");
}

// The manifest comes over https, and so must what it sends the user to:
// a plain http link could be changed on the way.
bool isWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty();
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
    QTimer::singleShot(deadlineMs(), reply, &QNetworkReply::abort);
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
        qWarning().noquote() << "update.json grande demais";
        if (manual)
            emit failed(invalidAnswer());
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning().noquote() << "verificacao de atualizacao falhou:" << reply->errorString();
        if (manual)
            emit failed(reasonOf(reply));
        return;
    }
    answer(QJsonDocument::fromJson(reply->readAll()).object(), manual);
}

void Updater::answer(const QJsonObject& manifest, bool manual)
{
    const QString version = manifest.value(QLatin1String("version")).toString().trimmed();
    if (!isVersionText(version)) {
        qWarning().noquote() << "update.json invalido: sem versao aceitavel";
        if (manual)
            emit failed(invalidAnswer());
        return;
    }
    if (isNewer(version, QString::fromLatin1(WebAddresses::kVersion)))
        emit updateAvailable(version, cappedNotes(manifest.value(QLatin1String("notes")).toString()),
                             downloadAddress(manifest));
    else if (manual)
        emit upToDate();
}

// The Linux download, else the release page, else the product page; an
// address that is not an https address with a host counts as missing.
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
