#include "SoundOutput.h"

#include "PcmImage.h"

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
} // namespace

struct SoundOutput::Private
{
    // The service plays straight from this memory after play() has returned,
    // so it lives until the sound is over or stopped.
    QByteArray image;
    QTimer ended;
    bool playing = false;
};

SoundOutput::SoundOutput(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->ended.setSingleShot(true);
    connect(&d->ended, &QTimer::timeout, this, &SoundOutput::stop);
}

SoundOutput::~SoundOutput()
{
    if (d->playing)
        ::sndPlaySoundW(nullptr, 0);
}

void SoundOutput::play(const QByteArray &image, const PcmLayout &layout)
{
    stop();
    // Handed memory, the service knows no end to it and believes the sizes
    // written inside: it gets an image whose sizes are ours.
    d->image = pcmImage(image, layout);
    if (d->image.isEmpty())
        return;
    // Asynchronous, from memory, and silent rather than the system's default
    // sound when the image is refused. A sound still playing is cut off.
    if (!::sndPlaySoundW(reinterpret_cast<LPCWSTR>(d->image.constData()),
                         SND_ASYNC | SND_MEMORY | SND_NODEFAULT)) {
        d->image = QByteArray();
        emit stopped();
        return;
    }
    d->playing = true;
    const qint64 endMs = playingTimeMs(layout) + kEndMarginMs;
    d->ended.start(int(qMin<qint64>(endMs, std::numeric_limits<int>::max())));
}

void SoundOutput::stop()
{
    d->ended.stop();
    if (!d->playing)
        return;
    d->playing = false;
    // Returns once the service has let go of the image.
    ::sndPlaySoundW(nullptr, 0);
    d->image = QByteArray();
    emit stopped();
}

bool SoundOutput::isPlaying() const
{
    return d->playing;
}

} // namespace platform
