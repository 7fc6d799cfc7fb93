#include "SoundBackend.h"

#include "PcmImage.h"

#include <QObject>
#include <QTimer>

#include <limits>

// Each of these needs the ones before it.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

namespace platform {

namespace {

// Time the sound may take to start and finish beyond its own length before
// it is taken to be over.
constexpr int kEndMarginMs = 1000;

// sndPlaySound from memory: part of the system, so nothing to load.
class WinmmSoundBackend : public SoundBackend
{
public:
    WinmmSoundBackend()
    {
        m_ended.setSingleShot(true);
        QObject::connect(&m_ended, &QTimer::timeout, &m_ended, [this] { stop(); });
    }

    ~WinmmSoundBackend() override
    {
        if (m_playing)
            ::sndPlaySoundW(nullptr, 0);
    }

    void play(const QByteArray &image, const PcmLayout &layout, Stopped stopped) override
    {
        stop();
        // Handed memory, the service knows no end to it and believes the
        // sizes written inside: it gets an image whose sizes are ours.
        m_image = pcmImage(image, layout);
        // Asynchronous, from memory, and silent rather than the system's
        // default sound when the image is refused. A sound still playing
        // is cut off.
        if (m_image.isEmpty() || !::sndPlaySoundW(reinterpret_cast<LPCWSTR>(m_image.constData()),
                                                  SND_ASYNC | SND_MEMORY | SND_NODEFAULT)) {
            m_image = QByteArray();
            QTimer::singleShot(0, &m_ended, std::move(stopped));
            return;
        }
        m_playing = true;
        m_stopped = std::move(stopped);
        const qint64 endMs = playingTimeMs(layout) + kEndMarginMs;
        m_ended.start(int(qMin<qint64>(endMs, std::numeric_limits<int>::max())));
    }

    void stop() override
    {
        m_ended.stop();
        if (!std::exchange(m_playing, false))
            return;
        // Returns once the service has let go of the image.
        ::sndPlaySoundW(nullptr, 0);
        m_image = QByteArray();
        QTimer::singleShot(0, &m_ended, std::exchange(m_stopped, {}));
    }

    bool isPlaying() const override { return m_playing; }

private:
    // The service plays straight from this memory after play() has
    // returned, so it lives until the sound is over or stopped.
    QByteArray m_image;
    QTimer m_ended;
    Stopped m_stopped;
    bool m_playing = false;
};

} // namespace

std::unique_ptr<SoundBackend> createSoundBackend(QString *)
{
    return std::make_unique<WinmmSoundBackend>();
}

} // namespace platform
