// The window's registered commands: ids, labels, icons, default keys and
// what each one does. The handlers that keep state live in
// MainWindowHandlers.cpp.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "EqualizerDialog.h"
#include "ImageDialog.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "SubtitleDialog.h"

#include <QAction>
#include <QToolButton>

#include <functional>

namespace {

// One row of the table. A default key is either a key code or a text in the
// platform's own notation; an empty text means the command has no key.
struct ActionRow {
    const char* id;
    const char* pt;
    const char* en;
    const char* icon;
    QKeySequence key;
    std::function<void()> handler;
};

QKeySequence keys(const char* text)
{
    return QKeySequence(QString::fromUtf8(text), QKeySequence::NativeText);
}

void addRows(const QString& group, const QList<ActionRow>& rows)
{
    Actions* registry = Actions::instance();
    for (const ActionRow& row : rows)
        registry->add(QString::fromLatin1(row.id), L(row.pt, row.en), QString::fromLatin1(row.icon),
                      row.key, row.handler, group);
}

void makeCheckable(const char* id, bool checked)
{
    QAction* action = Actions::instance()->actions.value(QString::fromLatin1(id));
    action->setCheckable(true);
    action->setChecked(checked);
}

double setting(const char* key, double fallback)
{
    return App::get(QString::fromLatin1(key), fallback).toDouble();
}

}  // namespace

template <class Dialog>
void MainWindow::execDialog()
{
    Dialog dialog(m_core, this);
    dialog.exec();
}

void MainWindow::buildActions()
{
    const QString general = L("Geral", "General");
    const QString playback = L("Reprodução", "Playback");
    const QString audio = L("Áudio", "Audio");
    const QString video = L("Vídeo", "Video");
    const QString subtitle = L("Legenda", "Subtitle");
    addGeneralActions(general);
    addPlaybackActions(playback);
    addAudioActions(audio);
    addVideoActions(video);
    addSubtitleActions(subtitle);
}

void MainWindow::addGeneralActions(const QString& group)
{
    auto page = [this](const char* id) { return [this, id] { goToPage(QString::fromLatin1(id)); }; };
    addRows(group, {
        {"open_file", "Abrir arquivo…", "Open file…", "file", keys("Ctrl+O"), [this] { openFileDialog(); }},
        {"open_folder", "Abrir pasta…", "Open folder…", "folder", keys("Ctrl+Shift+O"),
         [this] { openFolderDialog(); }},
        {"open_url", "Abrir link…", "Open link…", "link", keys("Ctrl+U"), [this] { openUrlDialog(); }},
        {"quit", "Sair", "Quit", "x", keys("Ctrl+Q"),
         [this] {
             m_quitting = true;
             close();
         }},
        {"queue_toggle", "Mostrar fila", "Show queue", "queue", keys("Q"),
         [this] { m_controlBar->queueButton->toggle(); }},
        {"go_home", "Ir para Início", "Go to Home", "home", keys("Ctrl+1"), page("home")},
        {"go_videos", "Ir para Vídeos", "Go to Videos", "film", keys("Ctrl+2"), page("videos")},
        {"go_music", "Ir para Música", "Go to Music", "music", keys("Ctrl+3"), page("music")},
        {"go_playlists", "Ir para Playlists", "Go to Playlists", "playlist", keys("Ctrl+4"), page("playlists")},
        {"go_recents", "Ir para Recentes", "Go to Recent", "clock", keys("Ctrl+5"), page("recents")},
        {"go_radios", "Ir para Rádios e TV", "Go to Radio && TV", "radio", keys("Ctrl+6"), page("radios")},
        {"go_player", "Ir para Reproduzindo", "Go to Now playing", "play", keys("Ctrl+7"), page("player")},
        {"go_settings", "Configurações", "Settings", "settings", keys("Ctrl+,"), page("settings")},
    });
}

void MainWindow::addPlaybackActions(const QString& group)
{
    PlayerCore* core = m_core;
    auto seek = [this](double s) { return [this, s] { seekStep(s); }; };
    auto shortStep = [this](double sign) {
        return [this, sign] { seekStep(sign * setting("playback/seekStep", 5)); };
    };
    auto speedStep = [this](double sign) {
        return [this, sign] { changeSpeed(sign * setting("playback/speedStep", 0.25)); };
    };
    auto speedBy = [this](double d) { return [this, d] { changeSpeed(d); }; };
    addRows(group, {
        {"play_pause", "Tocar / pausar", "Play / pause", "play", QKeySequence(Qt::Key_Space),
         [core] { core->togglePause(); }},
        {"stop", "Parar", "Stop", "stop", QKeySequence(), [core] { core->stop(); }},
        {"next", "Próxima", "Next", "next", keys("N"), [core] { core->next(); }},
        {"prev", "Anterior", "Previous", "prev", keys("P"), [core] { core->prev(); }},
        {"seek_fwd", "Avançar (passo curto)", "Forward (short)", "chevron-right", QKeySequence(Qt::Key_Right),
         shortStep(1)},
        {"seek_back", "Voltar (passo curto)", "Back (short)", "chevron-left", QKeySequence(Qt::Key_Left),
         shortStep(-1)},
        {"seek_fwd10", "Avançar 10 s", "Forward 10 s", "fwd10", keys("L"), seek(10)},
        {"seek_back10", "Voltar 10 s", "Back 10 s", "back10", keys("J"), seek(-10)},
        {"seek_fwd60", "Avançar 1 minuto", "Forward 1 minute", "fwd10", keys("Ctrl+Right"), seek(60)},
        {"seek_back60", "Voltar 1 minuto", "Back 1 minute", "back10", keys("Ctrl+Left"), seek(-60)},
        {"frame_next", "Próximo quadro", "Next frame", "frame", keys("."), [core] { core->frameStep(false); }},
        {"frame_prev", "Quadro anterior", "Previous frame", "frame", keys(","), [core] { core->frameStep(true); }},
        {"speed_up", "Mais rápido", "Faster", "speed", keys("]"), speedStep(1)},
        {"speed_down", "Mais devagar", "Slower", "speed", keys("["), speedStep(-1)},
        {"speed_fine_up", "Velocidade +0,05", "Speed +0.05", "speed", keys("Ctrl+]"), speedBy(0.05)},
        {"speed_fine_down", "Velocidade −0,05", "Speed −0.05", "speed", keys("Ctrl+["), speedBy(-0.05)},
        {"speed_reset", "Velocidade normal (1x)", "Normal speed (1x)", "speed", QKeySequence(Qt::Key_Backspace),
         [this] { setSpeedValue(1.0); }},
        {"ab_loop", "Repetir trecho A-B", "A-B repeat", "ab", keys("Ctrl+L"), [this] { abLoopStep(); }},
        {"repeat", "Alternar repetição", "Cycle repeat", "repeat", keys("R"), [this] { cycleRepeat(); }},
        {"shuffle", "Aleatório", "Shuffle", "shuffle", keys("Shift+R"), [this] { toggleShuffle(); }},
        {"chapter_next", "Próximo capítulo", "Next chapter", "next", QKeySequence(Qt::Key_PageDown),
         [core] { core->nextChapter(true); }},
        {"chapter_prev", "Capítulo anterior", "Previous chapter", "prev", QKeySequence(Qt::Key_PageUp),
         [core] { core->nextChapter(false); }},
        {"goto_time", "Ir para o tempo…", "Go to time…", "clock", keys("Ctrl+J"), [this] { gotoTimeDialog(); }},
    });
}

void MainWindow::addAudioActions(const QString& group)
{
    addRows(group, {
        {"vol_up", "Aumentar volume", "Volume up", "volume", QKeySequence(Qt::Key_Up), [this] { changeVolume(5.0); }},
        {"vol_down", "Baixar volume", "Volume down", "volume-low", QKeySequence(Qt::Key_Down),
         [this] { changeVolume(-5.0); }},
        {"mute", "Mudo", "Mute", "volume-x", keys("M"), [this] { toggleMute(); }},
        {"audio_cycle", "Trocar faixa de áudio", "Cycle audio track", "audio", keys("B"),
         [this] { cycleAudioTrack(); }},
        {"audio_delay_plus", "Atrasar áudio +0,1 s", "Audio delay +0.1 s", "audio", keys("Ctrl+H"),
         [this] { stepAudioDelay(0.1); }},
        {"audio_delay_minus", "Adiantar áudio −0,1 s", "Audio delay −0.1 s", "audio", keys("Ctrl+G"),
         [this] { stepAudioDelay(-0.1); }},
        {"eq", "Equalizador…", "Equalizer…", "eq", keys("Ctrl+E"), [this] { execDialog<EqualizerDialog>(); }},
        {"normalize", "Normalizar volume", "Normalize volume", "volume", QKeySequence(),
         [this] { toggleNormalize(); }},
    });
    makeCheckable("normalize", App::get(QStringLiteral("audio/normalize"), false).toBool());
}

void MainWindow::addVideoActions(const QString& group)
{
    addRows(group, {
        {"fullscreen", "Tela cheia", "Fullscreen", "fullscreen", keys("F"), [this] { toggleFullscreen(); }},
        {"exit_fullscreen", "Sair da tela cheia / mini player", "Exit fullscreen / mini player", "fullscreen-exit",
         QKeySequence(Qt::Key_Escape), [this] { exitFullscreenOrMini(); }},
        {"mini", "Mini player / janela flutuante", "Mini player / PiP", "pip", keys("Ctrl+M"),
         [this] { toggleMini(); }},
        {"on_top", "Sempre visível (no topo)", "Always on top", "pin", keys("Ctrl+T"),
         [this] { setOnTop(!m_onTop); }},
        {"aspect_cycle", "Trocar proporção", "Cycle aspect ratio", "aspect", keys("A"), [this] { cycleAspect(); }},
        {"zoom_in", "Aproximar (zoom +)", "Zoom in", "plus", keys("Ctrl+="), [this] { zoomBy(0.1); }},
        {"zoom_out", "Afastar (zoom −)", "Zoom out", "x", keys("Ctrl+-"), [this] { zoomBy(-0.1); }},
        {"zoom_reset", "Zoom original", "Reset zoom", "aspect", keys("Ctrl+0"), [this] { resetZoom(); }},
        {"rotate", "Girar 90°", "Rotate 90°", "rotate", keys("Ctrl+Shift+R"), [this] { rotateVideo(); }},
        {"mirror", "Espelhar", "Mirror", "mirror", keys("Ctrl+Shift+M"), [this] { toggleMirror(); }},
        {"image_adjust", "Ajustes de imagem…", "Picture adjustments…", "image", keys("Ctrl+Shift+I"),
         [this] { execDialog<ImageDialog>(); }},
        {"screenshot", "Capturar quadro", "Screenshot", "camera", keys("S"), [this] { takeScreenshot(false); }},
        {"screenshot_subs", "Capturar quadro com legenda", "Screenshot with subtitles", "camera", keys("Shift+S"),
         [this] { takeScreenshot(true); }},
        {"media_info", "Informações da mídia", "Media information", "info", keys("Ctrl+I"),
         [this] { showMediaInfo(); }},
    });
    makeCheckable("on_top", false);
    makeCheckable("mirror", false);
}

void MainWindow::addSubtitleActions(const QString& group)
{
    addRows(group, {
        {"sub_cycle", "Trocar legenda", "Cycle subtitles", "captions", keys("V"), [this] { cycleSubtitle(); }},
        {"sub_delay_plus", "Atrasar legenda +0,1 s", "Subtitle delay +0.1 s", "captions", keys("H"),
         [this] { stepSubDelay(0.1); }},
        {"sub_delay_minus", "Adiantar legenda −0,1 s", "Subtitle delay −0.1 s", "captions", keys("G"),
         [this] { stepSubDelay(-0.1); }},
        {"sub_load", "Carregar arquivo de legenda…", "Load subtitle file…", "file", keys("Ctrl+Shift+L"),
         [this] { loadSubtitleFile(); }},
        {"sub_style", "Aparência e sincronia da legenda…", "Subtitle style && sync…", "edit", QKeySequence(),
         [this] { execDialog<SubtitleDialog>(); }},
    });
}
