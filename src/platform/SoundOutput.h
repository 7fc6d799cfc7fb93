#pragma once

#include <QByteArray>
#include <QObject>
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

// Plays one sound at a time from memory, without waiting for it. A new
// sound cuts the one still playing off. A machine without a working audio
// output plays nothing and says nothing; play() never blocks on it.
class SoundOutput : public QObject
{
    Q_OBJECT
public:
    explicit SoundOutput(QObject *parent = nullptr);
    ~SoundOutput() override;

    // Keeps its own reference to the image until the sound has ended, so
    // the caller may replace or drop its copy at once.
    void play(const QByteArray &image, const PcmLayout &layout);
    void stop();
    bool isPlaying() const;

signals:
    // The sound ended, was cut off or could not be started.
    void stopped();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
