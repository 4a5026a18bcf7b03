#pragma once

#include "MpvHandle.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
struct mpv_event;
struct mpv_render_context;

// Still pictures of video files, taken by a libmpv instance of its own:
// library thumbnails (saved as JPEG files in the "thumbs" cache and announced
// by key) and seek-bar previews (only handed back). One job at a time, on the
// GUI thread. By default libmpv's image writer drops one JPEG frame into a
// scratch folder; with ORVEL_THUMB_GL=1 the frame is rendered into an
// off-screen framebuffer and read back.
class Thumbnailer : public QObject
{
    Q_OBJECT
public:
    struct Job {
        QString path;
        double time = 0;      // seconds; a negative -f is the fraction f of the duration
        int width = 320;
        QString key;          // cache key; empty for previews
        bool preview = false;
    };

    static Thumbnailer* instance();

    explicit Thumbnailer(QObject* parent = nullptr);
    ~Thumbnailer() override;

    void request(const QString& path, double time, int width, const QString& key);
    void requestPreview(const QString& path, double time);
    void cancelAll();

    static QString keyFor(const QString& path, const QString& tag);
    static QString cacheFile(const QString& key);

signals:
    void ready(const QString& key, const QImage& image, double duration);
    // Just before the null answer of a job that ran out of time: a busy
    // machine, not a file that cannot be read.
    void jobTimedOut(const QString& key);
    void previewReady(double time, const QImage& image);

private slots:
    void processEvents();
    void tryRender();

private:
    void startNext();
    bool ensureInit();
    void setOptions();
    bool initGl();
    void failQueued();
    void loadCurrent();
    void startImageJob();
    void startGlJob();
    bool ownsEntry(long long entry) const;
    void handleEvent(const mpv_event* event);
    void handleHook(const mpv_event* event);
    void handleCommandReply(const mpv_event* event);
    void handleEndFile(const mpv_event* event);
    QImage takeImageFile() const;
    QImage renderFrame(const QSize& size);
    void deliverFrame();
    void skipFrame();
    void finish(QImage image);   // by value: callers pass m_frame, which it clears
    bool saveToCache(const QString& key, const QImage& image);
    void timedOut();

    static void wakeup(void* ctx);
    static void onRenderUpdate(void* ctx);

    MpvHandle m_mpv;
    mpv_render_context* m_render = nullptr;
    QOffscreenSurface* m_surface = nullptr;
    QOpenGLContext* m_gl = nullptr;
    QOpenGLFramebufferObject* m_fbo = nullptr;
    bool m_initTried = false;
    bool m_imageMode = true;
    QString m_outDir;
    double m_loadedDuration = 0;
    QList<Job> m_jobs;
    std::optional<Job> m_previewSlot;
    Job m_current;
    bool m_busy = false;
    bool m_frameReady = false;
    QImage m_frame;                 // the current job's frame drawn last (OpenGL mode)
    long long m_videoW = 0;         // display size of the video last drawn
    long long m_videoH = 0;
    QString m_loadedPath;
    bool m_fileLoaded = false;
    QTimer m_timeout;

    // Events are tied to the job that caused them through libmpv's playlist
    // entry ids, so that a late event of an abandoned file never ends the
    // next job.
    quint64 m_lastToken = 0;
    quint64 m_loadToken = 0;        // reply id of the job's "loadfile" or "seek"
    long long m_jobEntry = 0;       // entry id of the job's file; 0 until known
    long long m_loadedEntry = 0;    // entry id of the open file (OpenGL mode reuse)
    long long m_startedEntry = 0;   // entry id of the last start-file event
};
