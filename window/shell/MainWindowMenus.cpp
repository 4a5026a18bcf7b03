// The menu bar and the submenus that are filled each time they open; the
// aspect modes, the go-to-time dialog and the information boxes.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MediaTrack.h"
#include "MpvHandle.h"
#include "PlayerCore.h"
#include "Updater.h"
#include "WebAddresses.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const double kSpeeds[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 3.5, 4.0};

// The fixed aspect ratios: label and the value libmpv takes. Two more modes
// follow them: fill the screen (crop) and stretch.
const QList<QPair<QString, QString>>& aspects()
{
    static const QList<QPair<QString, QString>> table = {
        {L("Automática", "Auto"), QStringLiteral("-1")},
        {QStringLiteral("16:9"), QStringLiteral("16:9")},
        {QStringLiteral("4:3"), QStringLiteral("4:3")},
        {QStringLiteral("21:9"), QStringLiteral("2.33")},
        {QStringLiteral("2,35:1"), QStringLiteral("2.35")},
        {QStringLiteral("1:1"), QStringLiteral("1:1")},
        {QStringLiteral("9:16"), QStringLiteral("9:16")},
    };
    return table;
}

QString fillLabel()
{
    return L("Preencher a tela (corta bordas)", "Fill screen (crop)");
}

QString stretchLabel()
{
    return L("Esticar", "Stretch");
}

// Titles, chapter names and device names come from the media or the
// library; a lone "&" in them must show as itself, not as a mnemonic.
QString plain(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QAction* addRegistered(QMenu* menu, const char* id)
{
    QAction* action = Actions::instance()->actions.value(QString::fromLatin1(id));
    if (action)
        menu->addAction(action);
    return action;
}

void addRegistered(QMenu* menu, std::initializer_list<const char*> ids)
{
    for (const char* id : ids)
        addRegistered(menu, id);
}

QAction* addChoice(QMenu* menu, QActionGroup* group, const QString& text, bool checked)
{
    QAction* action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(checked);
    group->addAction(action);
    return action;
}

void addPlaceholder(QMenu* menu, const QString& text)
{
    menu->addAction(text)->setEnabled(false);
}

// "1:23:45", "12:30", "90", "1,5", ":30": each part is a number (or 0) and
// the parts are sexagesimal digits. Nothing that is not a finite number
// gets through, so "nan" or "inf" seek to the start.
double parseTime(const QString& text)
{
    double t = 0;
    for (const QString& part : text.trimmed().split(QLatin1Char(':'))) {
        bool ok = false;
        double value = part.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || !std::isfinite(value))
            value = 0;
        t = t * 60 + value;
    }
    return std::isfinite(t) ? t : 0;
}

}  // namespace

void MainWindow::resetMenu(QMenu* menu)
{
    menu->clear();
    for (QActionGroup* group : menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly))
        delete group;
    for (QMenu* sub : menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        delete sub;
}

QMenu* MainWindow::addFilledMenu(QMenu* parent, const QString& icon, const QString& title,
                                 void (MainWindow::*fill)(QMenu*))
{
    QMenu* sub = parent->addMenu(Icons::icon(icon), title);
    connect(sub, &QMenu::aboutToShow, this, [this, sub, fill] { (this->*fill)(sub); });
    return sub;
}

void MainWindow::buildMenus()
{
    buildMediaMenu();
    buildPlaybackMenu();
    buildAudioMenu();
    buildVideoMenu();
    buildSubtitleMenu();
    buildViewMenu();
    buildHelpMenu();
    styleMenuOverflow();
}

// In a narrow window the menus that do not fit move behind the menu bar's
// extension button. It is only 12 px wide: without the tool buttons'
// padding, and with an arrow drawn in the menu bar's colour.
void MainWindow::styleMenuOverflow()
{
    auto* more = menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    if (!more)
        return;
    menuBar()->setStyleSheet(
        QStringLiteral("QToolButton#qt_menubar_ext_button { padding: 0px; margin: 0px; border: none; }"));
    more->setIcon(Icons::icon(QStringLiteral("chevron-right")));
    more->setIconSize(QSize(12, 12));
}

void MainWindow::buildMediaMenu()
{
    QMenu* menu = menuBar()->addMenu(L("&Mídia", "&Media"));
    addRegistered(menu, {"open_file", "open_folder", "open_url"});
    addFilledMenu(menu, QStringLiteral("clock"), L("Abertos recentemente", "Open recent"),
                  &MainWindow::fillRecentMenu);
    menu->addSeparator();
    addRegistered(menu, "quit");
}

void MainWindow::buildPlaybackMenu()
{
    QMenu* menu = menuBar()->addMenu(L("&Reprodução", "&Playback"));
    addRegistered(menu, {"play_pause", "stop", "prev", "next"});
    menu->addSeparator();
    addRegistered(menu, {"seek_back", "seek_fwd", "seek_back10", "seek_fwd10", "seek_back60", "seek_fwd60",
                         "frame_prev", "frame_next", "goto_time"});
    menu->addSeparator();
    addFilledMenu(menu, QStringLiteral("speed"), L("Velocidade", "Speed"), &MainWindow::fillSpeedMenu);
    addFilledMenu(menu, QStringLiteral("repeat"), L("Repetir", "Repeat"), &MainWindow::fillRepeatMenu);
    addRegistered(menu, {"shuffle", "ab_loop"});
    addFilledMenu(menu, QStringLiteral("list"), L("Capítulos", "Chapters"), &MainWindow::fillChaptersMenu);
}

void MainWindow::buildAudioMenu()
{
    QMenu* menu = menuBar()->addMenu(L("Á&udio", "&Audio"));
    QMenu* tracks = menu->addMenu(Icons::icon(QStringLiteral("audio")), L("Faixa de áudio", "Audio track"));
    connect(tracks, &QMenu::aboutToShow, this, [this, tracks] { fillTrackMenu(tracks, QStringLiteral("audio")); });
    addFilledMenu(menu, QStringLiteral("volume"), L("Saída de som", "Output device"),
                  &MainWindow::fillAudioDeviceMenu);
    addRegistered(menu, {"vol_up", "vol_down", "mute", "audio_cycle", "audio_delay_plus", "audio_delay_minus",
                         "eq", "normalize"});
}

void MainWindow::buildVideoMenu()
{
    QMenu* menu = menuBar()->addMenu(L("&Vídeo", "&Video"));
    addRegistered(menu, {"fullscreen", "mini", "on_top"});
    menu->addSeparator();
    addFilledMenu(menu, QStringLiteral("aspect"), L("Proporção da tela", "Aspect ratio"),
                  &MainWindow::fillAspectMenu);
    QMenu* tracks = menu->addMenu(Icons::icon(QStringLiteral("film")), L("Faixa de vídeo", "Video track"));
    connect(tracks, &QMenu::aboutToShow, this, [this, tracks] { fillTrackMenu(tracks, QStringLiteral("video")); });
    addRegistered(menu, {"zoom_in", "zoom_out", "zoom_reset", "rotate", "mirror", "image_adjust", "screenshot",
                         "screenshot_subs", "media_info"});
}

void MainWindow::buildSubtitleMenu()
{
    QMenu* menu = menuBar()->addMenu(L("&Legenda", "&Subtitles"));
    QMenu* tracks = menu->addMenu(Icons::icon(QStringLiteral("captions")), L("Faixa de legenda", "Subtitle track"));
    connect(tracks, &QMenu::aboutToShow, this, [this, tracks] { fillTrackMenu(tracks, QStringLiteral("sub")); });
    addFilledMenu(menu, QStringLiteral("captions"), L("Segunda legenda", "Secondary subtitle"),
                  &MainWindow::fillSecondarySubMenu);
    addRegistered(menu, {"sub_cycle", "sub_load", "sub_delay_plus", "sub_delay_minus", "sub_style"});
}

void MainWindow::buildViewMenu()
{
    QMenu* menu = menuBar()->addMenu(L("&Exibir", "V&iew"));
    addRegistered(menu, {"go_home", "go_videos", "go_music", "go_playlists", "go_recents", "go_radios", "go_player",
                         "queue_toggle", "go_settings"});
}

void MainWindow::buildHelpMenu()
{
    QMenu* menu = menuBar()->addMenu(L("A&juda", "&Help"));
    connect(menu->addAction(Icons::icon(QStringLiteral("keyboard")), L("Atalhos de teclado", "Keyboard shortcuts")),
            &QAction::triggered, this, [this] { goToPage(QStringLiteral("settings")); });
    connect(menu->addAction(Icons::icon(QStringLiteral("refresh")), L("Procurar atualização", "Check for updates")),
            &QAction::triggered, this, [this] { m_updater->check(true); });
    connect(menu->addAction(Icons::icon(QStringLiteral("globe")), L("Página do Orvel", "Orvel website")),
            &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebAddresses::kProductPage))); });
    connect(menu->addAction(Icons::icon(QStringLiteral("info")), L("Sobre", "About")), &QAction::triggered, this,
            &MainWindow::showAbout);
}

void MainWindow::fillRecentMenu(QMenu* menu)
{
    resetMenu(menu);
    for (const HistoryItem& item : Database::instance()->history(QString(), 15)) {
        QString text = item.title.isEmpty() ? QFileInfo(item.path).fileName() : item.title;
        const bool video = item.kind == QLatin1String("video");
        if (video && !item.finished && item.position > 5)
            text += QStringLiteral("   (") + App::formatTime(item.position) + QLatin1Char(')');
        const QString icon = video ? QStringLiteral("film")
            : item.kind == QLatin1String("stream") ? QStringLiteral("radio") : QStringLiteral("music");
        const QString path = item.path;
        connect(menu->addAction(Icons::icon(icon), plain(text)), &QAction::triggered, this,
                [this, path] { playResume(path); });
    }
    if (menu->isEmpty()) {
        addPlaceholder(menu, L("(vazio)", "(empty)"));
        return;
    }
    menu->addSeparator();
    connect(menu->addAction(Icons::icon(QStringLiteral("clock")), L("Ver todos…", "See all…")), &QAction::triggered,
            this, [this] { goToPage(QStringLiteral("recents")); });
}

void MainWindow::fillSpeedMenu(QMenu* menu)
{
    resetMenu(menu);
    const double current = m_core->speed();
    auto* group = new QActionGroup(menu);
    for (double s : kSpeeds) {
        QString text = App::formatSpeed(s);
        if (s == 1.0)
            text += QStringLiteral("  (normal)");
        connect(addChoice(menu, group, text, std::abs(current - s) < 0.001), &QAction::triggered, this,
                [this, s] { setSpeedValue(s); });
    }
    menu->addSeparator();
    addRegistered(menu, {"speed_up", "speed_down", "speed_fine_up", "speed_fine_down"});
    connect(menu->addAction(L("Outra velocidade…", "Custom speed…")), &QAction::triggered, this,
            &MainWindow::askCustomSpeed);
}

void MainWindow::askCustomSpeed()
{
    bool ok = false;
    const double speed = QInputDialog::getDouble(this, L("Velocidade", "Speed"),
                                                 L("Velocidade (0,1 a 8):", "Speed (0.1 to 8):"), m_core->speed(),
                                                 0.1, 8.0, 2, &ok);
    if (ok)
        setSpeedValue(speed);
}

void MainWindow::fillRepeatMenu(QMenu* menu)
{
    resetMenu(menu);
    auto* group = new QActionGroup(menu);
    const QList<QPair<QString, PlayerCore::Repeat>> modes = {
        {L("Não repetir", "Off"), PlayerCore::RepeatOff},
        {L("Repetir a fila", "Repeat all"), PlayerCore::RepeatAll},
        {L("Repetir esta faixa", "Repeat one"), PlayerCore::RepeatOne},
    };
    for (const auto& mode : modes) {
        const PlayerCore::Repeat value = mode.second;
        connect(addChoice(menu, group, mode.first, m_core->repeat() == value), &QAction::triggered, this,
                [this, value] { m_core->setRepeat(value); });
    }
}

void MainWindow::fillChaptersMenu(QMenu* menu)
{
    resetMenu(menu);
    const QList<Chapter> chapters = m_core->chapters();
    for (int i = 0; i < chapters.size(); ++i) {
        const Chapter& chapter = chapters.at(i);
        const QString title = chapter.title.isEmpty() ? L("Capítulo %1", "Chapter %1").arg(i + 1) : chapter.title;
        const double time = chapter.time;
        connect(menu->addAction(plain(QStringLiteral("%1  ·  %2").arg(App::formatTime(time), title))),
                &QAction::triggered, this, [this, time] { m_core->seekAbsolute(time); });
    }
    if (chapters.isEmpty())
        addPlaceholder(menu, L("(sem capítulos)", "(no chapters)"));
}

void MainWindow::fillTrackMenu(QMenu* menu, const QString& type)
{
    resetMenu(menu);
    const QList<MediaTrack> tracks = m_core->tracksOfType(type);
    auto* group = new QActionGroup(menu);
    if (type != QLatin1String("audio")) {
        const bool none = std::none_of(tracks.begin(), tracks.end(), [](const MediaTrack& t) { return t.selected; });
        connect(addChoice(menu, group, L("Desligada", "Off"), none), &QAction::triggered, this,
                [this, type] { m_core->setTrack(type, 0); });
    }
    for (const MediaTrack& track : tracks) {
        const qint64 id = track.id;
        connect(addChoice(menu, group, plain(track.label()), track.selected), &QAction::triggered, this,
                [this, type, id] { m_core->setTrack(type, id); });
    }
    if (tracks.isEmpty())
        addPlaceholder(menu, L("(nenhuma faixa)", "(no tracks)"));
}

void MainWindow::fillSecondarySubMenu(QMenu* menu)
{
    resetMenu(menu);
    const QString current = m_core->handle().getString("secondary-sid");
    auto* group = new QActionGroup(menu);
    const bool off = current.isEmpty() || current == QLatin1String("no");
    connect(addChoice(menu, group, L("Desligada", "Off"), off), &QAction::triggered, this,
            [this] { m_core->setSecondarySub(0); });
    for (const MediaTrack& track : m_core->tracksOfType(QStringLiteral("sub"))) {
        const qint64 id = track.id;
        connect(addChoice(menu, group, plain(track.label()), QString::number(id) == current), &QAction::triggered,
                this, [this, id] { m_core->setSecondarySub(id); });
    }
}

void MainWindow::fillAudioDeviceMenu(QMenu* menu)
{
    resetMenu(menu);
    const QString current = m_core->handle().getString("audio-device");
    auto* group = new QActionGroup(menu);
    for (const QVariant& entry : m_core->audioDevices()) {
        const QVariantMap device = entry.toMap();
        const QString name = device.value(QStringLiteral("name")).toString();
        QString description = device.value(QStringLiteral("description")).toString();
        if (name == QLatin1String("auto"))
            description = L("Automática (padrão do sistema)", "Automatic (system default)");
        const QString text = plain(description.isEmpty() ? name : description);
        connect(addChoice(menu, group, text, name == current), &QAction::triggered, this, [this, name] {
            m_core->setAudioDevice(name);
            App::set(QStringLiteral("audio/device"), name);
        });
    }
}

void MainWindow::fillAspectMenu(QMenu* menu)
{
    resetMenu(menu);
    auto* group = new QActionGroup(menu);
    const int n = aspects().size();
    for (int i = 0; i < n + 2; ++i) {
        const QString text = i < n ? aspects().at(i).first : i == n ? fillLabel() : stretchLabel();
        // Step to the mode before this one; cycling then lands on it,
        // applies it and says so.
        connect(addChoice(menu, group, text, i == m_aspectIndex), &QAction::triggered, this, [this, i, n] {
            m_aspectIndex = (i + n + 1) % (n + 2);
            cycleAspect();
        });
    }
}

void MainWindow::cycleAspect()
{
    const int n = aspects().size();
    m_aspectIndex = (m_aspectIndex + 1) % (n + 2);
    const MpvHandle mpv = m_core->handle();
    mpv.set("panscan", QStringLiteral("0"));
    mpv.set("keepaspect", QStringLiteral("yes"));
    QString name;
    if (m_aspectIndex < n) {
        mpv.set("video-aspect-override", aspects().at(m_aspectIndex).second);
        name = aspects().at(m_aspectIndex).first;
    } else if (m_aspectIndex == n) {
        mpv.set("video-aspect-override", QStringLiteral("-1"));
        mpv.set("panscan", QStringLiteral("1.0"));
        name = fillLabel();
    } else {
        mpv.set("video-aspect-override", QStringLiteral("-1"));
        mpv.set("keepaspect", QStringLiteral("no"));
        name = stretchLabel();
    }
    toast(L("Proporção: ", "Aspect: ") + name);
}

void MainWindow::gotoTimeDialog()
{
    if (!(m_core->duration() > 0))
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(this, L("Ir para o tempo", "Go to time"),
                                               L("Tempo (ex.: 1:23:45, 12:30 ou 90):",
                                                 "Time (e.g. 1:23:45, 12:30 or 90):"),
                                               QLineEdit::Normal, App::formatTime(m_core->position()), &ok);
    if (ok)
        m_core->seekAbsolute(parseTime(text));
}

void MainWindow::showMediaInfo()
{
    if (m_core->isIdle())
        return;
    QMessageBox box(this);
    box.setWindowTitle(L("Informações da mídia", "Media information"));
    box.setTextFormat(Qt::RichText);
    box.setText(m_core->mediaInfo());
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MainWindow::showAbout()
{
    const QString page = QString::fromLatin1(WebAddresses::kProductPage);
    const QString domain = QUrl(QString::fromLatin1(WebAddresses::kSite)).host();
    QMessageBox box(this);
    box.setWindowTitle(L("Sobre o Orvel", "About Orvel"));
    box.setIconPixmap(Icons::appLogo(80));
    box.setText(QStringLiteral("<b style='font-size:14pt'>Orvel %1</b><br><br>%2<br>")
                    .arg(QString::fromLatin1(WebAddresses::kVersion),
                         L("Reprodutor de vídeo e música para Windows e Linux.",
                           "Video and music player for Windows and Linux."))
                + QStringLiteral("<a style='color:#2bd9fe' href='%1'>%2</a>").arg(page, domain));
    box.exec();
}
