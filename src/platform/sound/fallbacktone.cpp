#include "fallbacktone.h"

#include "alarmtone.h"

#include <QByteArray>
#include <QtDebug>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include <dlfcn.h>

// The few entry points used, declared here so that building needs no headers
// of either library; both keep these calls stable across their versions.
namespace {

struct PaSampleSpec
{
    int format;
    uint32_t rate;
    uint8_t channels;
};
struct PaBufferAttr
{
    uint32_t maxlength, tlength, prebuf, minreq, fragsize;
};
constexpr int kPaSampleS16le = 3;
constexpr int kPaStreamPlayback = 1;

constexpr int kSndPcmStreamPlayback = 0;
constexpr int kSndPcmFormatS16le = 2;
constexpr int kSndPcmAccessRwInterleaved = 3;

// The tone goes out in slices of 50 ms, with no more than 100 ms queued ahead,
// so that a stop silences it at once.
constexpr int kSliceFrames = AlarmTone::sampleRate / 20;

template <typename F>
F sym(void *lib, const char *name)
{
    return reinterpret_cast<F>(dlsym(lib, name));
}

} // namespace

struct FallbackTone::Run
{
    std::atomic<bool> stopped{false};
    std::atomic<bool> finished{false};
};

namespace {

// Mono 16-bit samples at the player's volume (-6 dB).
QByteArray toneSamples()
{
    QByteArray pcm = AlarmTone::wav().mid(44);
    auto *s = reinterpret_cast<int16_t *>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        s[i] = int16_t(std::lround(s[i] * 0.5));
    return pcm;
}

// Returns an empty string when the tone was played (or stopped), else why not.
QString playOnPulse(const QByteArray &pcm, const FallbackTone::Run &run)
{
    void *lib = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return QString::fromLocal8Bit(dlerror());
    using New = void *(*)(const char *, const char *, int, const char *, const char *, const PaSampleSpec *,
                          const void *, const PaBufferAttr *, int *);
    using Write = int (*)(void *, const void *, size_t, int *);
    using Op = int (*)(void *, int *);
    using Free = void (*)(void *);
    using StrError = const char *(*)(int);
    const auto paNew = sym<New>(lib, "pa_simple_new");
    const auto paWrite = sym<Write>(lib, "pa_simple_write");
    const auto paDrain = sym<Op>(lib, "pa_simple_drain");
    const auto paFlush = sym<Op>(lib, "pa_simple_flush");
    const auto paFree = sym<Free>(lib, "pa_simple_free");
    const auto paStrError = sym<StrError>(lib, "pa_strerror");
    if (!paNew || !paWrite || !paDrain || !paFlush || !paFree || !paStrError)
        return QStringLiteral("libpulse-simple lacks an entry point");

    const PaSampleSpec format{kPaSampleS16le, uint32_t(AlarmTone::sampleRate), 1};
    const uint32_t any = uint32_t(-1);
    const PaBufferAttr attr{any, uint32_t(kSliceFrames * 2 * 2), any, any, any};
    int error = 0;
    void *stream = paNew(nullptr, "Belltide", kPaStreamPlayback, nullptr, "Alarm", &format, nullptr, &attr, &error);
    if (!stream)
        return QString::fromUtf8(paStrError(error));
    for (qsizetype at = 0; at < pcm.size() && !run.stopped; at += kSliceFrames * 2) {
        if (paWrite(stream, pcm.constData() + at, size_t(std::min<qsizetype>(kSliceFrames * 2, pcm.size() - at)),
                    &error) < 0)
            break;
    }
    if (run.stopped)
        paFlush(stream, &error);
    else
        paDrain(stream, &error);
    paFree(stream);
    return QString();
}

QString playOnAlsa(const QByteArray &pcm, const FallbackTone::Run &run)
{
    void *lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return QString::fromLocal8Bit(dlerror());
    using Open = int (*)(void **, const char *, int, int);
    using SetParams = int (*)(void *, int, int, unsigned, unsigned, int, unsigned);
    using WriteI = long (*)(void *, const void *, unsigned long);
    using Recover = int (*)(void *, int, int);
    using Op = int (*)(void *);
    using StrError = const char *(*)(int);
    const auto open = sym<Open>(lib, "snd_pcm_open");
    const auto setParams = sym<SetParams>(lib, "snd_pcm_set_params");
    const auto writei = sym<WriteI>(lib, "snd_pcm_writei");
    const auto recover = sym<Recover>(lib, "snd_pcm_recover");
    const auto drain = sym<Op>(lib, "snd_pcm_drain");
    const auto drop = sym<Op>(lib, "snd_pcm_drop");
    const auto close = sym<Op>(lib, "snd_pcm_close");
    const auto strError = sym<StrError>(lib, "snd_strerror");
    if (!open || !setParams || !writei || !recover || !drain || !drop || !close || !strError)
        return QStringLiteral("libasound lacks an entry point");

    void *pcmDevice = nullptr;
    int rc = open(&pcmDevice, "default", kSndPcmStreamPlayback, 0);
    if (rc < 0)
        return QString::fromUtf8(strError(rc));
    rc = setParams(pcmDevice, kSndPcmFormatS16le, kSndPcmAccessRwInterleaved, 1, unsigned(AlarmTone::sampleRate), 1,
                   100000);
    if (rc < 0) {
        close(pcmDevice);
        return QString::fromUtf8(strError(rc));
    }
    const qsizetype frames = pcm.size() / 2;
    for (qsizetype at = 0; at < frames && !run.stopped;) {
        const long n = std::min<qsizetype>(kSliceFrames, frames - at);
        const long done = writei(pcmDevice, pcm.constData() + at * 2, (unsigned long)n);
        if (done < 0 && recover(pcmDevice, int(done), 1) < 0)
            break;
        if (done > 0)
            at += done;
    }
    if (run.stopped)
        drop(pcmDevice);
    else
        drain(pcmDevice);
    close(pcmDevice);
    return QString();
}

void playTone(const std::shared_ptr<FallbackTone::Run> &run)
{
    const QByteArray pcm = toneSamples();
    const QString pulse = playOnPulse(pcm, *run);
    if (!pulse.isEmpty()) {
        const QString alsa = playOnAlsa(pcm, *run);
        if (!alsa.isEmpty())
            qWarning("Belltide: the alarm tone could not be played (PulseAudio: %s; ALSA: %s)",
                     qUtf8Printable(pulse), qUtf8Printable(alsa));
    }
    run->finished = true;
}

} // namespace

FallbackTone::~FallbackTone()
{
    // A stopped tone lets go of the sound device within one slice; the thread
    // must not outlive the program's libraries.
    const std::shared_ptr<Run> run = m_run;
    stop();
    for (int i = 0; run && !run->finished && i < 50; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void FallbackTone::play()
{
    stop();
    m_run = std::make_shared<Run>();
    std::thread(playTone, m_run).detach();
}

void FallbackTone::stop()
{
    if (m_run)
        m_run->stopped = true;
    m_run.reset();
}

bool FallbackTone::isPlaying() const
{
    return m_run && !m_run->finished;
}
