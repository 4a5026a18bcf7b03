// The client of the public radio directory: the search with its walk over
// the mirrors, the answer's stations, and the station logos with their cache.
#include "RadiosPage.h"

#include <QComboBox>
#include <QHostAddress>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardItemModel>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "App.h"
#include "CardView.h"
#include "Lang.h"
#include "LogoDecoder.h"
#include "WebAddresses.h"

namespace {
const QStringList kServers = [] {
    QStringList list;
    for (const char* base : WebAddresses::kRadioMirrors)
        list.append(QString::fromLatin1(base));
    return list;
}();

constexpr int kSearchTimeoutMs = 12000;
constexpr int kLogoTimeoutMs = 8000;
// Whole-request deadlines: the transfer time-outs above never end a body
// that trickles in a byte at a time.
constexpr int kSearchDeadlineMs = 15000;
constexpr int kLogoDeadlineMs = 10000;

// ORVEL_NET_DEADLINE_MS, when set, replaces every deadline (for diagnosis
// and tests).
int deadlineMs(int normal)
{
    const int forced = qEnvironmentVariableIntValue("ORVEL_NET_DEADLINE_MS");
    return forced > 0 ? forced : normal;
}

// A reply still running at its deadline is aborted, which ends it as failed.
void abortAfter(QNetworkReply* reply, int normalMs)
{
    QTimer::singleShot(deadlineMs(normalMs), reply, &QNetworkReply::abort);
}

// Percent-encodes a query value completely: the directory reads a bare '+'
// as a blank, so "C++" must travel as "C%2B%2B".
QString queryItem(const char* key, const QString& value)
{
    return QLatin1String(key) + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The first three comma-separated pieces, empty ones included, joined by ", ".
QString firstThreeTags(const QString& tags)
{
    qsizetype end = -1;
    for (int n = 0; n < 3; ++n) {
        end = tags.indexOf(QLatin1Char(','), end + 1);
        if (end < 0)
            break;
    }
    QString out = end < 0 ? tags : tags.left(end);
    return out.replace(QLatin1Char(','), QLatin1String(", "));
}

// Appends a non-empty part to the subtitle line, after " · ".
void addPart(QString* line, const QString& part)
{
    if (part.isEmpty())
        return;
    if (!line->isEmpty())
        line->append(QStringLiteral(" \u00B7 "));
    line->append(part);
}

QString subtitleOf(const QJsonObject& o)
{
    QString line;
    addPart(&line, o.value(QLatin1String("state")).toString());
    addPart(&line, firstThreeTags(o.value(QLatin1String("tags")).toString()));
    const int kbps = o.value(QLatin1String("bitrate")).toInt();   // 0 unless a whole number
    if (kbps > 0)
        addPart(&line, QString::number(kbps) + QLatin1String(" kbps"));
    return line;
}

Station stationOf(const QJsonObject& o)
{
    Station s;
    s.name = o.value(QLatin1String("name")).toString().trimmed();
    s.url = o.value(QLatin1String("url_resolved")).toString();
    if (s.url.isEmpty())
        s.url = o.value(QLatin1String("url")).toString();
    s.logo = o.value(QLatin1String("favicon")).toString();
    s.tags = subtitleOf(o);
    return s;
}

// 0/8, 10/8, 100.64/10 (carrier-grade NAT), 172.16/12, 192.168/16,
// 198.18/15 (benchmark networks).
bool isLocalIpv4(quint32 ip)
{
    return (ip >> 24) == 0 || (ip >> 24) == 10 || (ip >> 22) == (0x6440u >> 6) || (ip >> 20) == 0xAC1
        || (ip >> 16) == 0xC0A8 || (ip >> 17) == (0xC612u >> 1);
}

// Loopback, private, link-local, unspecified, multicast or broadcast, IPv4
// written in an IPv6 form included.
bool isLocalAddress(const QHostAddress& address)
{
    bool ipv4 = false;
    const quint32 ip = address.toIPv4Address(&ipv4);
    if (ipv4) {
        const QHostAddress v4(ip);
        return isLocalIpv4(ip) || v4.isLoopback() || v4.isLinkLocal() || v4.isMulticast() || v4.isBroadcast();
    }
    const quint8 first = address.toIPv6Address()[0];
    return address.isLoopback() || address.isLinkLocal() || address.isSiteLocal() || address.isMulticast()
        || (first & 0xFE) == 0xFC || address == QHostAddress(QHostAddress::AnyIPv6);
}

// Logos come from public hosts only: a directory entry must not make the
// program knock on this machine or its local network. Literal addresses are
// checked; names are taken as they are (they are often resolved by a proxy,
// and a check of our own resolution would not bind the connection to it),
// except the names of this machine and of the local link.
bool isPublicHost(QString host)
{
    host = host.toLower();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    if (host.isEmpty() || host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost"))
        || host.endsWith(QLatin1String(".local")))
        return false;
    QHostAddress address;
    if (address.setAddress(host))
        return !isLocalAddress(address);
    // A numeric last label is an address in disguise: no real name has one.
    const QString last = host.section(QLatin1Char('.'), -1);
    bool numeric = false;
    last.toULongLong(&numeric, 0);
    return !numeric;
}

bool isLogoAddress(const QUrl& url)
{
    return (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && isPublicHost(url.host());
}

}

// The first kMaxStations named stations with a network stream; anything
// that is not an array of objects gives none.
QList<Station> RadiosPage::parseStations(const QByteArray& body)
{
    QList<Station> out;
    const QJsonArray array = QJsonDocument::fromJson(body).array();
    out.reserve(qMin<qsizetype>(array.size(), kMaxStations));
    for (const QJsonValue& v : array) {
        Station s = stationOf(v.toObject());
        if (!s.name.isEmpty() && App::isNetworkStream(s.url))
            out.append(std::move(s));
        if (out.size() == kMaxStations)
            break;   // what was asked for; a directory may send more
    }
    return out;
}

void RadiosPage::search()
{
    QStringList query;
    const QString name = m_searchEdit->text().trimmed();
    if (!name.isEmpty())
        query.append(queryItem("name", name));
    const QString country = m_countryBox->currentData().toString();
    if (!country.isEmpty())
        query.append(queryItem("countrycode", country));
    query << QStringLiteral("hidebroken=true") << QStringLiteral("order=clickcount")
          << QStringLiteral("reverse=true") << QStringLiteral("limit=%1").arg(kMaxStations);
    QUrl url(kServers.at(m_serverIndex % kServers.size()) + QStringLiteral("/json/stations/search"));
    url.setQuery(query.join(QLatin1Char('&')), QUrl::StrictMode);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Orvel/%1").arg(QLatin1String(WebAddresses::kVersion)));
    request.setTransferTimeout(kSearchTimeoutMs);
    setDiscoverStatus(L("Buscando rádios…", "Searching radios…"));

    const int serial = ++m_searchSerial;
    QNetworkReply* reply = m_net->get(request);
    abortAfter(reply, kSearchDeadlineMs);
    auto body = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, this, [reply, body] {
        *body += reply->readAll();
        if (body->size() > kMaxSearchAnswer)
            reply->abort();   // an answer this large is a failed search
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, serial, body] {
        reply->deleteLater();
        if (reply->error() == QNetworkReply::NoError)
            *body += reply->readAll();
        searchFinished(reply, serial, *body);
    });
}

void RadiosPage::searchFinished(QNetworkReply* reply, int serial, const QByteArray& body)
{
    // An older search that ends after a newer one started has nothing to say.
    if (serial != m_searchSerial)
        return;
    if (reply->error() != QNetworkReply::NoError || body.size() > kMaxSearchAnswer) {
        searchFailed();
        return;
    }
    m_found = parseStations(body);
    setDiscoverStatus(m_found.size() == 1
                          ? L("1 rádio encontrada · clique com o botão direito para salvar",
                              "1 radio found · right-click to save")
                          : L("%1 rádios encontradas · clique com o botão direito para salvar",
                              "%1 radios found · right-click to save")
                                .arg(m_found.size()));
    if (currentKey() == QLatin1String("discover"))
        showStations(m_found);
}

void RadiosPage::searchFailed()
{
    ++m_serverIndex;
    if (m_serverIndex % kServers.size() != 0) {
        search();
        return;
    }
    setDiscoverStatus(L("Sem conexão com o diretório de rádios. Tente de novo em instantes.",
                        "Could not reach the radio directory. Try again shortly."));
}

void RadiosPage::setDiscoverStatus(const QString& text)
{
    m_discoverStatus = text;
    if (currentKey() == QLatin1String("discover"))
        setStatus(text);
}

void RadiosPage::loadLogo(QStandardItem* item, const QString& url)
{
    const auto cached = m_logoCache.constFind(url);
    if (cached != m_logoCache.cend()) {
        if (!cached->isNull())
            item->setData(*cached, Qt::DecorationRole);
        return;
    }
    if (!isLogoAddress(QUrl(url))) {
        m_logoCache.insert(url, QPixmap());   // only public web addresses are fetched
        return;
    }
    auto rows = m_logoRows.find(url);
    if (rows == m_logoRows.end()) {
        rows = m_logoRows.insert(url, {});
        if (!m_logoFetching.contains(url))
            m_logoQueue.append(url);
    }
    rows->append(item->row());
    pumpLogos();
}

// Called before the rows are rebuilt: the rows waiting for logos are gone.
// Queued fetches are dropped; fetches under way keep going and fill the
// cache (and any new row that asks for the same URL).
void RadiosPage::dropQueuedLogos()
{
    for (const QString& url : std::as_const(m_logoQueue))
        m_logoRows.remove(url);
    m_logoQueue.clear();
    for (auto it = m_logoRows.begin(); it != m_logoRows.end(); ++it)
        it->clear();
}

void RadiosPage::pumpLogos()
{
    while (m_logoFetching.size() < kMaxLogoFetches && !m_logoQueue.isEmpty())
        startLogo(m_logoQueue.takeFirst());
}

void RadiosPage::startLogo(const QString& url)
{
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kLogoTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    m_logoFetching.insert(url);
    QNetworkReply* reply = m_net->get(request);
    reply->setReadBufferSize(256 * 1024);
    abortAfter(reply, kLogoDeadlineMs);
    // A redirect goes on only to a public host, and never from https to http.
    connect(reply, &QNetworkReply::redirected, this, [reply](const QUrl& target) {
        const bool downgrade = reply->url().scheme() == QLatin1String("https")
            && target.scheme() != QLatin1String("https");
        if (downgrade || !isLogoAddress(target))
            reply->abort();
        else
            emit reply->redirectAllowed();
    });
    auto data = std::make_shared<QByteArray>();
    auto done = std::make_shared<bool>(false);
    // Reads as the data arrives and stops at the limit: what is kept is decoded.
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, url, data, done] {
        if (*done)
            return;
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400) {
            reply->readAll();   // an error page: the reply fails when it ends
            return;
        }
        *data += reply->read(kMaxLogoBytes - data->size());
        if (data->size() < kMaxLogoBytes)
            return;
        *done = true;
        logoDone(url, *data, true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, data, done] {
        reply->deleteLater();
        if (*done)
            return;
        *done = true;
        const bool ok = reply->error() == QNetworkReply::NoError;
        if (ok)
            *data += reply->read(kMaxLogoBytes - data->size());
        logoDone(url, *data, ok);
    });
}

// A fetched logo is decoded on a worker; the URL counts as being fetched
// until its picture is back.
void RadiosPage::logoDone(const QString& url, const QByteArray& data, bool ok)
{
    if (ok && !data.isEmpty())
        m_logoDecoder->decode(url, data);
    else
        logoDecoded(url, QImage());
}

void RadiosPage::logoDecoded(const QString& url, const QImage& image)
{
    const QPixmap pixmap = QPixmap::fromImage(image);
    m_logoCache.insert(url, pixmap);
    m_logoFetching.remove(url);
    const QList<int> rows = m_logoRows.take(url);
    if (!pixmap.isNull()) {
        for (int row : rows) {
            if (QStandardItem* item = m_view->model->item(row))
                item->setData(pixmap, Qt::DecorationRole);
        }
    }
    pumpLogos();
}
