#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QSet>
#include <QThreadPool>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include "AudioChain.h"
#include "Chapter.h"
#include "LoadedFile.h"
#include "MediaTrack.h"
#include "MpvHandle.h"
#include "QueueEntry.h"

struct mpv_event;
struct mpv_event_property;
struct mpv_node_list;

// The one playback object of the process. It owns the main libmpv instance,
// mirrors the engine's state in plain members (read through the accessors)
// and turns libmpv's events into signals on the GUI thread. Every command
// that changes playback goes through its operations.
class PlayerCore : public QObject
{
    Q_OBJECT
public:
    enum Repeat { RepeatOff = 0, RepeatAll = 1, RepeatOne = 2 };
    Q_ENUM(Repeat)

    explicit PlayerCore(QObject* parent = nullptr);
    ~PlayerCore() override;

    // Loads libmpv, creates, configures and starts the instance. On failure
    // returns false and puts the reason in *error.
    bool init(QString* error);

    // libmpv's wake-up callback (any thread): posts a drain to the core.
    static void wakeup(void* ctx);

    MpvHandle handle() const { return m_handle; }
    double position() const { return m_position; }
    double duration() const { return m_duration; }
    double speed() const { return m_speed; }
    double volume() const { return m_volume; }
    double lastPosition() const { return m_lastPosition; }
    double lastDuration() const { return m_lastDuration; }
    QString lastPath() const { return m_lastPath; }
    bool isPaused() const { return m_paused; }
    bool isMuted() const { return m_muted; }
    bool isIdle() const { return m_idle; }
    bool hasVideo() const { return m_hasVideo; }
    bool isBuffering() const { return m_buffering; }
    QString path() const { return m_path; }
    QString mediaTitle() const { return m_mediaTitle; }
    QString streamTitle() const { return m_streamTitle; }
    QVariantMap metadata() const { return m_metadata; }
    QList<MediaTrack> tracks() const { return m_tracks; }
    QList<Chapter> chapters() const { return m_chapters; }
    QList<QueueEntry> queue() const { return m_queue; }
    int playlistPos() const { return m_playlistPos; }
    double abLoopA() const { return m_abLoopA; }
    double abLoopB() const { return m_abLoopB; }
    Repeat repeat() const { return m_repeat; }
    bool shuffle() const { return m_shuffle; }
    bool mirror() const { return m_mirror; }
    bool hwdec() const { return m_hwdec; }
    bool eqEnabled() const { return m_eqEnabled; }
    QList<double> eqGains() const { return m_eqGains; }
    double eqPreamp() const { return m_eqPreamp; }
    bool normalize() const { return m_normalize; }
    double crossfade() const { return m_crossfade; }
    double fadeLevel() const { return m_fadeLevel; }

    // The display title: stream title, else media title, else the file's base name.
    QString title() const;
    // The tracks of one type, album art left out.
    QList<MediaTrack> tracksOfType(const QString& type) const;
    bool isStream() const;
    // Why the last file that failed to open failed, in a few words.
    QString lastError() const { return m_lastError; }
    // A live stream (a radio, a live list): no length, no seeking.
    bool isLive() const { return m_live; }
    // The media information sheet as an HTML table.
    QString mediaInfo() const;
    QVariantList audioDevices() const;
    // The preferred subtitle languages when "subs/lang" is not stored: those
    // of the interface language. The settings page shows the same list.
    static QString defaultSubtitleLanguages();

    // Queue
    // titles, when given, name the paths one for one (a list's channels):
    // the queue's entries carry them, and givenTitle tells them.
    void openFiles(const QStringList& paths, int start = 0, const QStringList& titles = {});
    QString givenTitle(const QString& path) const { return m_givenTitles.value(path); }
    void enqueue(const QStringList& paths);
    void playNextInQueue(const QStringList& paths);
    void playIndex(int i);
    void removeIndex(int i);
    void moveIndex(int from, int to);
    void clearQueue();

    // Transport
    void stop();
    void next();
    void prev();
    void togglePause();
    void setPaused(bool paused);
    void seekAbsolute(double seconds);
    void seekRelative(double seconds);
    void seekPercent(double percent);
    void frameStep(bool back);
    void nextChapter(bool forward);

    // Levels and delays
    void setSpeed(double speed);
    void setVolume(double volume);
    void setMuted(bool muted);
    void setSubDelay(double seconds);
    void setAudioDelay(double seconds);

    // Repeat, shuffle, A-B loop
    void setRepeat(Repeat mode);
    void setShuffle(bool on);
    void cycleAbLoop();
    void clearAbLoop();

    // Tracks
    void setTrack(const QString& type, qint64 id);
    void cycleTrack(const QString& type);
    void setSecondarySub(qint64 id);
    void addSubtitle(const QString& path);

    // Video and output
    void setHwdec(bool on);
    void setMirror(bool on);
    // Saves a PNG of the current frame; the file's path, or empty on failure.
    QString screenshot(bool withSubs);
    void setAudioDevice(const QString& name);

    // Audio filters and crossfade
    void setEqualizer(bool enabled, const QList<double>& gains, double preamp);
    void setNormalize(bool on);
    void setCrossfade(double seconds) { m_crossfade = seconds; }

signals:
    void positionChanged(double pos);
    void durationChanged(double dur);
    void pauseChanged(bool paused);
    void speedChanged(double speed);
    void volumeChanged(double vol);
    void muteChanged(bool muted);
    void idleChanged(bool idle);
    void bufferingChanged(bool buffering);
    void fileStarted();
    void fileLoaded();
    void fileEnded(const QString& path, const QString& reason, double pos, double duration);
    void titleChanged();
    void tracksChanged();
    void chaptersChanged();
    void queueChanged();
    void abLoopChanged();
    void metadataChanged();
    void repeatChanged();
    void shuffleChanged();
    void videoPresenceChanged(bool hasVideo);
    void errorMessage(const QString& msg);
    // A stream's connection ended before the stream did (a live stream is
    // then loaded again, once).
    void connectionLost();

private slots:
    void processEvents();
    void fadeInTick();

private:
    // Set-up (PlayerCore.cpp)
    void applyOptions();
    void applyEnvOptions();
    void applySettingsOptions();
    void observeProperties();
    void applySavedAudio();

    // Event drain (PlayerCoreEvents.cpp)
    void handleEvent(const mpv_event* event);
    void onStartFile(qint64 entryId);
    void onEndFile(int reason, int error);
    void onFileLoaded();
    void finishFileLoaded();
    void applyLoadedFile(const LoadedFile& file);
    void applyEntry(const LoadedFile& file);
    void handleProperty(const mpv_event_property* prop);
    void handleListProperty(const QString& name, const QVariant& value);
    void handleReply(quint64 what, const mpv_event_property* prop);
    void onPlaylistCount(qint64 count);
    void rebuildQueue();
    void mirrorOpened(const QStringList& paths, int pos);
    void nameEntries(const QStringList& paths, const QStringList& titles);
    void appendEntries(const mpv_node_list& list);
    void markCurrent(int pos);
    void guardRedirect(qint64 entry, qint64 firstInserted, int inserted);
    void removeEntries(const QSet<qint64>& ids);
    void resumeDrain();
    void storeMediaTitle(const QString& text);
    void storeMetadata(const QVariantMap& map);
    void storeTracks(const QVariantList& list);
    void storeChapters(const QVariantList& list);
    QString entryPath(qint64 entryId);

    // Live or finite streams, connections that end (PlayerCoreStreams.cpp)
    void judgeStream(const LoadedFile& file);
    bool fakeLength(long long size, double length) const;
    void storeDuration(bool present, double value);
    bool endlessRise(double value);
    void trackPendingLength(double value);
    void settleLength();
    void watchArrival();
    bool judgeArrival();
    void connectionEnded(bool stillCurrent, double position, double duration);
    void holdReconnect();

    // Subtitle candidates vetted before each load (PlayerCoreSubtitles.cpp)
    void registerHooks();
    void handleHook(const mpv_event* event);
    void checkSubtitles(quint64 hookId, const QString& path);

    // Audio filters and crossfade (PlayerCoreAudio.cpp)
    void applyAudioFilters();
    void writeFilterChain();
    void syncFilterChain();
    AudioChain::Settings audioSettings() const;
    bool sendEqualizerLive();
    int afCommand(const QString& label, const QString& param, const QString& value);
    void updateFade();
    bool fadeEligible() const;
    void startFadeIn();

    MpvHandle m_handle;
    double m_position = 0;
    double m_duration = 0;
    double m_speed = 1.0;
    double m_volume = 100;
    double m_lastPosition = 0;
    double m_lastDuration = 0;
    QString m_lastPath;
    bool m_paused = true;
    bool m_muted = false;
    bool m_idle = true;
    bool m_hasVideo = false;
    bool m_buffering = false;
    QString m_path;
    QString m_mediaTitle;
    QString m_streamTitle;
    QVariantMap m_metadata;
    QList<MediaTrack> m_tracks;
    QList<Chapter> m_chapters;
    QList<QueueEntry> m_queue;
    int m_playlistPos = -1;
    double m_abLoopA = -1;
    double m_abLoopB = -1;
    Repeat m_repeat = RepeatOff;
    bool m_shuffle = false;
    bool m_mirror = false;
    bool m_hwdec = true;
    bool m_eqEnabled = false;
    QList<double> m_eqGains;
    double m_eqPreamp = 0;
    bool m_normalize = false;
    QString m_filterSignature;
    double m_crossfade = 0;
    double m_fadeLevel = 1.0;
    bool m_fadeInPending = false;
    QTimer m_fadeTimer;

    QString m_filterChain;        // the chain text last written to "af"
    bool m_filtersAhead = false;  // "af-command" changed the running filters since
    int m_fadeTick = 0;           // ticks of the running fade-in
    bool m_fileActive = false;    // between file-loaded and the file's end
    QTimer m_drainTimer;          // resumes a paused drain after the loop's turn
    bool m_drainHeld = false;     // the drain is paused until that timer fires
    bool m_loadReading = false;   // the drain waits for a loaded file's properties
    QFutureWatcher<LoadedFile> m_loadWatcher;
    int m_sliceEvents = 0;        // events handled since the last pause
    bool m_queueStale = false;    // libmpv's playlist may differ from the mirror
    quint64 m_mirrorEdits = 0;    // changes of the mirror, to tell old answers of libmpv
    int m_currentIndex = -1;      // the mirror's entry flagged current
    bool m_seekable = false;      // libmpv's "seekable" for the current file
    bool m_live = false;          // the current file is a live stream: no length
    QString m_lastError;
    bool m_judgedByRises = false; // a seekable stream or an HLS list: live when its length keeps rising
    bool m_lengthPending = false; // a stream without size: live or not is still open
    double m_candidate = 0;       // its length as libmpv gives it meanwhile (NaN: none yet)
    double m_candidateSince = 0;  // the position when that length was last new
    int m_durationRises = 0;      // times the current stream's length grew after loading
    bool m_sizeless = false;      // a stream without size or seeking, judged until it has all arrived
    double m_firstLength = 0;     // its first length (NaN: none yet) and the position then
    double m_firstLengthAt = 0;
    double m_arrivalCheckedAt = 0;  // the position when libmpv's cache was last looked at
    QString m_reconnectPath;      // the stream loaded again after its connection ended
    QHash<qint64, QString> m_entryPaths;  // libmpv's entry ids and their paths
    QHash<QString, QString> m_givenTitles;  // the names the last open gave its paths
    QHash<qint64, int> m_redirectDepth;   // redirect rounds behind an entry since a file loaded
    QHash<qint64, qint64> m_redirectOrigin;  // the entry whose redirects brought it in
    // Subtitle scans run here; last, so it is stopped and its threads joined
    // before anything else goes.
    QThreadPool m_scanPool;
    QThreadPool m_loadPool;       // reads a loaded file's properties
};
