#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

// Process-wide services: the data folder, the one settings file, the media
// extension lists and the display formats for times and speeds.
namespace App {

// Before the application object: contexts that share with each other, and
// the surface format that ORVEL_GL asks for ("core33", "compat"; otherwise
// the driver's default).
void setupOpenGl();

QString dataDir();
QString subDir(const QString& name);

// A settings file that cannot be read (not text, or not what QSettings can
// parse) is kept beside it as "config-corrupt-<date>.ini" and the settings
// start from their defaults; settingsSetAside() then names the kept file.
QSettings* settings();
QString settingsSetAside();
// Keys of the group "general" must go through get and set, which store them
// as "General/..." (see App.cpp); other keys may use settings() directly.
QVariant get(const QString& key, const QVariant& def = QVariant());
void set(const QString& key, const QVariant& value);

const QStringList& videoExts();
const QStringList& audioExts();
const QStringList& subExts();
const QStringList& playlistExts();

bool isUrl(const QString& text);
// A link to a network protocol the player may open from outside input
// (playlist and IPTV entries, directory answers): http(s), rtmp(s), rtsp(s),
// mms, mmsh, udp and rtp. Other schemes ("file://", "fd://", "av://",
// "edl://", "memory://"...) reach local files, the player's own descriptors,
// filter graphs or memory.
bool isNetworkStream(const QString& text);
QString ext(const QString& path);

QString formatTime(double seconds);
QString formatSpeed(double speed);

}  // namespace App
