#pragma once

#include <QByteArray>
#include <QString>
#include <QtPlugin>
#include <functional>
#include <memory>

namespace platform {

// Where the samples of a wave image lie and how they are laid out.
struct PcmLayout
{
    int channels = 0;      // 1 or 2
    int sampleRate = 0;    // frames per second
    int bitsPerSample = 0; // 8 (unsigned) or 16 (signed, little-endian)
    qsizetype offset = 0;  // first sample byte in the image
    qsizetype size = 0;    // sample bytes, whole frames only
};

// The machine's sound output, one sound at a time. A plain interface, so
// that the library behind it (Qt Multimedia on Linux) can live in a
// plug-in that is loaded on the first sound and shares no class with the
// program.
class SoundBackend
{
public:
    using Stopped = std::function<void()>;

    virtual ~SoundBackend() = default;
    // Starts the sound and returns at once, cutting off one still playing.
    // stopped runs later, on the calling thread, when this sound has ended,
    // was cut off or could not be started; never from inside play() or
    // stop(). The backend keeps its own reference to the image.
    virtual void play(const QByteArray &image, const PcmLayout &layout, Stopped stopped) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};

class SoundBackendFactory
{
public:
    virtual ~SoundBackendFactory() = default;
    virtual std::unique_ptr<SoundBackend> createSoundBackend() = 0;
};

// The output of this machine: on Windows the system's own, on Linux the
// one in the sound plug-in (loaded now). Nothing, with error set, when the
// plug-in cannot be loaded.
std::unique_ptr<SoundBackend> createSoundBackend(QString *error);

} // namespace platform

#define QuorvelSoundBackendFactory_iid "org.quorvel.SoundBackendFactory/1"
Q_DECLARE_INTERFACE(platform::SoundBackendFactory, QuorvelSoundBackendFactory_iid)
