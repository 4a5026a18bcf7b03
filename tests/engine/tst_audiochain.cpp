#include "App.h"
#include "AudioChain.h"
#include "MediaGen.h"
#include "PlayerCore.h"
#include "TestEnv.h"

#include <QDir>
#include <QSettings>
#include <QSignalSpy>

#include <QtEndian>

#include "MessageCapture.h"

#include <cmath>
#include <memory>

namespace {
constexpr int kWait = 30000;

// The sound libmpv's "pcm" output appended to a file, forced to raw 16-bit
// mono at 44100 Hz so that every reopening of the output just continues it.
struct Pcm {
    static constexpr int kRate = 44100;
    QVector<float> samples;

    bool load(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray d = f.readAll();
        for (qsizetype i = 0; i + 2 <= d.size(); i += 2)
            samples << qFromLittleEndian<qint16>(d.constData() + i) / 32768.0f;
        return !samples.isEmpty();
    }

    double seconds() const { return double(samples.size()) / kRate; }

    // Level in dB (full scale) between two times in seconds.
    double db(double from, double to) const
    {
        const qsizetype a = qBound<qsizetype>(0, qsizetype(from * kRate), samples.size());
        const qsizetype b = qBound<qsizetype>(a, qsizetype(to * kRate), samples.size());
        double sum = 0;
        for (qsizetype i = a; i < b; ++i)
            sum += double(samples[i]) * samples[i];
        return b > a ? 10 * std::log10(sum / double(b - a) + 1e-12) : -120;
    }
};

}  // namespace

class TestAudioChain : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<MessageCapture> m_warnings;

private slots:
    void initTestCase()
    {
        m_warnings = std::make_unique<MessageCapture>(QtWarningMsg);
    }

    // A core whose sound goes into a WAV file.
    std::unique_ptr<PlayerCore> pcmCore(const QString& wav)
    {
        const QByteArray saved = qgetenv("ORVEL_OPT");
        qputenv("ORVEL_OPT", saved + ";ao=pcm;ao-pcm-append=yes;ao-pcm-waveheader=no;audio-format=s16;"
                             "audio-channels=mono;audio-samplerate=44100;ao-pcm-file=" + QFile::encodeName(wav));
        auto core = std::make_unique<PlayerCore>();
        QString error;
        const bool ok = core->init(&error);
        qputenv("ORVEL_OPT", saved);
        return ok ? std::move(core) : nullptr;
    }

    QString tone(const QString& name, double seconds, double frequency = 1000)
    {
        MediaGen::Spec s;
        s.seconds = seconds;
        s.frequency = frequency;
        const QString path = m_dir.path() + "/" + name;
        return MediaGen::make(path, s) ? path : QString();
    }

    static bool playToEnd(PlayerCore& core, const QStringList& files)
    {
        core.openFiles(files);
        return QTest::qWaitFor([&] { return core.path() == QDir::cleanPath(files.last()) && core.isPaused()
                                         && core.handle().getFlag("eof-reached", false); },
                               kWait);
    }

    void chainForEachCombination()
    {
        for (int bits = 0; bits < 8; ++bits) {
            AudioChain::Settings s;
            s.eqEnabled = bits & 1;
            s.normalize = bits & 2;
            s.crossfade = (bits & 4) ? 2.0 : 0.0;
            s.gains = {1, -2.24, 3};
            s.preamp = -3;
            s.fadeLevel = 0.5;
            const QStringList e = AudioChain::entries(s);
            QCOMPARE(e.size(), (s.eqEnabled ? 11 : 0) + (s.normalize ? 1 : 0) + (bits & 4 ? 1 : 0));
            QCOMPARE(AudioChain::signature(s),
                     QStringLiteral("%1|%2|%3").arg(bits & 1).arg(bits >> 1 & 1).arg(bits >> 2 & 1));
            QCOMPARE(AudioChain::text(s), e.join(","));
            if (s.eqEnabled) {
                QCOMPARE(e[0], QString("@eqpre:lavfi=[volume=volume=-3.0dB]"));
                QCOMPARE(e[1], QString("@eq0:lavfi=[equalizer=f=31:t=o:w=1:g=1.0]"));
                QCOMPARE(e[2], QString("@eq1:lavfi=[equalizer=f=62:t=o:w=1:g=-2.2]"));
                QCOMPARE(e[10], QString("@eq9:lavfi=[equalizer=f=16000:t=o:w=1:g=0.0]"));
            }
            if (s.normalize)
                QVERIFY(e.contains("@norm:lavfi=[dynaudnorm=f=250:g=15:p=0.9]"));
            if (bits & 4)
                QCOMPARE(e.last(), QString("@fade:lavfi=[volume=volume=0.500]"));
        }
        QCOMPARE(AudioChain::text({}), QString());
        QVERIFY(AudioChain::hasLabel("@eqpre:x,@eq1:y", "eq1"));
        QVERIFY(!AudioChain::hasLabel("@eqpre:x,@eq10:y", "eq1"));
        QVERIFY(!AudioChain::hasLabel("", "fade"));
    }

    void fadeArithmetic()
    {
        QCOMPARE(AudioChain::fadeInTicks(0.5), 10);
        QCOMPARE(AudioChain::fadeInTicks(0.2), 10);
        QCOMPARE(AudioChain::fadeInTicks(4), 80);
        QCOMPARE(AudioChain::fadeInTicks(1.1), 22);
        for (double cf : {0.3, 0.5, 0.8, 1.1, 2.0, 4.0, 7.3}) {
            const int ticks = AudioChain::fadeInTicks(cf);
            double previous = 0;
            for (int t = 1; t < ticks; ++t) {
                const double level = AudioChain::fadeInLevel(t, cf);
                QVERIFY(level > previous && level < 1.0);
                previous = level;
            }
            QCOMPARE(AudioChain::fadeInLevel(ticks, cf), 1.0);
        }
        QCOMPARE(AudioChain::levelText(AudioChain::fadeInLevel(3, 0.5)), QString("0.300"));
        QCOMPARE(AudioChain::levelText(AudioChain::fadeInLevel(40, 4)), QString("0.500"));
        QCOMPARE(AudioChain::levelText(AudioChain::fadeOutTarget(2, 4)), QString("0.500"));
        QCOMPARE(AudioChain::fadeOutTarget(5, 4), 1.0);
        QCOMPARE(AudioChain::fadeOutTarget(-0.1, 4) <= 0, true);
    }

    // The saved equalizer builds the chain at start, whether its gains come
    // back from the settings as numbers or as texts; past ten they are ignored.
    void savedEqualizerAtStart()
    {
        const QList<double> twelve{1, 2, 3, 4, 5, 6, 7, 8, 9, -10, 11, 12};
        QStringList texts;
        for (double g : twelve)
            texts << QString::number(g);
        for (const QVariant& stored : {QVariant::fromValue(twelve), QVariant(texts)}) {
            App::set("eq/enabled", true);
            App::set("eq/gains", stored);
            App::set("eq/preamp", -3.0);
            PlayerCore core;
            QVERIFY(core.init(nullptr));
            App::settings()->remove("eq");
            QCOMPARE(core.eqGains(), twelve.mid(0, 10));
            const QString af = core.handle().getString("af");
            QVERIFY2(af.contains("volume=volume=-3.0dB") && af.contains("f=16000:t=o:w=1:g=-10.0"), qPrintable(af));
        }
    }

    // A band change while a file plays reaches the running filters without
    // rewriting "af" (libmpv answers MPV_ERROR_COMMAND, which is not logged),
    // and the next file plays with the new gains too.
    void equalizerInSamples()
    {
        const QString ref = tone("ref.wav", 1), a = tone("a.wav", 6), b = tone("b.wav", 3);
        QVERIFY(!ref.isEmpty() && !a.isEmpty() && !b.isEmpty());
        const QString out = m_dir.path() + "/eq.pcm";
        auto core = pcmCore(out);
        QVERIFY(core);
        QVERIFY(playToEnd(*core, {ref}));
        core->setEqualizer(true, {}, 0);
        core->openFiles({a});
        core->setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(core->path() == a && core->duration() > 5, kWait);
        const QString chainBefore = core->handle().getString("af");
        QVERIFY(chainBefore.contains("f=1000:t=o:w=1:g=0.0"));
        QList<double> gains(10, 0.0);
        gains[5] = -12;
        m_warnings->clear();
        core->setEqualizer(true, gains, 0);
        QCOMPARE(core->handle().getString("af"), chainBefore);
        QVERIFY2(m_warnings->messages().isEmpty(), qPrintable(m_warnings->messages().join('\n')));
        core->togglePause();
        QTRY_VERIFY_WITH_TIMEOUT(core->isPaused() && core->handle().getFlag("eof-reached", false), kWait);
        QVERIFY(playToEnd(*core, {b}));
        core.reset();

        Pcm pcm;
        QVERIFY(pcm.load(out));
        QCOMPARE(qRound(pcm.seconds() * 10), 100);
        const double level = pcm.db(0.1, 0.9);
        QVERIFY2(qAbs(level + 21.07) < 0.5, qPrintable(QString::number(level)));
        const double endOfA = pcm.db(6.2, 6.9);
        const double wholeB = pcm.db(7.1, 9.9);
        QVERIFY2(qAbs(level - endOfA - 12) < 1.0, qPrintable(QString::number(endOfA)));
        QVERIFY2(qAbs(level - wholeB - 12) < 1.0, qPrintable(QString::number(wholeB)));
    }

    // Inside the last crossfade seconds the level follows the time left;
    // the next file fades in from 0 (its ramp runs on wall-clock ticks, which
    // the faster-than-real-time output outruns, so it is checked on the core).
    void fadeInSamples()
    {
        const QString ref = tone("fref.wav", 1), a = tone("fa.wav", 20), b = tone("fb.wav", 3);
        QVERIFY(!ref.isEmpty() && !a.isEmpty() && !b.isEmpty());
        const QString out = m_dir.path() + "/fade.pcm";
        auto core = pcmCore(out);
        QVERIFY(core);
        QVERIFY(playToEnd(*core, {ref}));
        core->setCrossfade(6.0);
        core->setNormalize(false);
        QVERIFY(core->handle().getString("af").contains("@fade:"));
        core->openFiles({a, b});
        core->setPaused(true);
        QTRY_VERIFY_WITH_TIMEOUT(core->path() == a && core->duration() > 19.9, kWait);
        core->seekAbsolute(17);
        // A paused seek may land a few microseconds off the asked time.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(core->fadeLevel() - 0.5) < 0.01, kWait);
        // libmpv builds the filters of a paused file lazily, so the level is
        // also put into the chain text, which a rewrite carries.
        core->setNormalize(false);
        QVERIFY(core->handle().getString("af").contains("volume=volume=0.500"));
        QSignalSpy loaded(core.get(), &PlayerCore::fileLoaded);
        core->setPaused(false);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, kWait);
        QCOMPARE(core->fadeLevel() < 0.5, true);   // fading in from 0
        QTRY_VERIFY_WITH_TIMEOUT(core->isPaused() && core->handle().getFlag("eof-reached", false), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(core->fadeLevel(), 1.0, kWait);
        core.reset();

        Pcm pcm;
        QVERIFY(pcm.load(out));
        const double level = pcm.db(0.1, 0.9);
        // After the reference and whatever of "a" was decoded before the pause,
        // the rest of "a" (3 of the 6 crossfade seconds left) comes at half level.
        double t = 1.0;
        while (t < pcm.seconds() && pcm.db(t, t + 0.05) > level - 3)
            t += 0.05;
        const double tail = pcm.db(t + 0.3, t + 0.8);
        QVERIFY2(qAbs(level - tail - 6.02) < 1.0, qPrintable(QString("%1 %2 at %3").arg(level).arg(tail).arg(t)));
    }

    // Repeat-one switched on inside the fade window: the file no longer fades
    // out, so its level goes back to full at once.
    void levelRestoredWhenFileStopsFading()
    {
        const QString a = tone("ra.wav", 20), b = tone("rb.wav", 3);
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        PlayerCore core;
        QVERIFY(core.init(nullptr));
        core.setCrossfade(6.0);
        core.setNormalize(false);
        core.openFiles({a, b});
        QTRY_VERIFY_WITH_TIMEOUT(core.path() == a && core.duration() > 19.9, kWait);
        core.seekAbsolute(17);
        QTRY_VERIFY_WITH_TIMEOUT(core.fadeLevel() < 0.55, kWait);
        m_warnings->clear();
        core.setRepeat(PlayerCore::RepeatOne);
        QTRY_COMPARE_WITH_TIMEOUT(core.fadeLevel(), 1.0, kWait);
        QVERIFY2(m_warnings->messages().isEmpty(), qPrintable(m_warnings->messages().join('\n')));
    }
};

ORVEL_TEST_MAIN(TestAudioChain)
#include "tst_audiochain.moc"
