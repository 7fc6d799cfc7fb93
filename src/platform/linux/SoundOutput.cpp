#include "SoundOutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QTimer>

namespace platform {

namespace {
// Time the audio server may take beyond the samples the sink still holds
// before the sound is taken to be over. PulseAudio keeps more than the sink
// reports (a quarter of a second cut the last 20 ms off); on a busy machine
// playback also runs late.
constexpr int kDrainMarginMs = 1000;
} // namespace

struct SoundOutput::Private
{
    QByteArray image; // keeps the samples alive while they play
    QBuffer samples;
    QAudioSink *sink = nullptr;
    QTimer drained;
    int bytesPerSecond = 0;
};

SoundOutput::SoundOutput(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->drained.setSingleShot(true);
    connect(&d->drained, &QTimer::timeout, this, &SoundOutput::stop);
}

SoundOutput::~SoundOutput()
{
    if (d->sink) {
        d->sink->disconnect(this);
        d->sink->stop();
        delete d->sink;
    }
}

void SoundOutput::play(const QByteArray &image, const PcmLayout &layout)
{
    stop();
    if (layout.size <= 0 || layout.offset < 0 || layout.offset + layout.size > image.size())
        return;

    QAudioFormat format;
    format.setSampleRate(layout.sampleRate);
    format.setChannelCount(layout.channels);
    format.setSampleFormat(layout.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    d->bytesPerSecond = format.bytesForDuration(1000000);

    d->image = image;
    d->samples.setData(QByteArray::fromRawData(d->image.constData() + layout.offset, layout.size));
    d->samples.open(QIODevice::ReadOnly);

    d->sink = new QAudioSink(format, this);
    connect(d->sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState) {
            // Refused by the server, or the device went away.
            QTimer::singleShot(0, this, &SoundOutput::stop);
        } else if (state == QAudio::IdleState && d->samples.atEnd() && !d->drained.isActive()) {
            // Everything is handed over; what the server still holds plays
            // on for a moment.
            const qint64 held = d->sink->bufferSize() - d->sink->bytesFree();
            const qint64 heldMs = d->bytesPerSecond > 0 ? held * 1000 / d->bytesPerSecond : 0;
            d->drained.start(int(std::max<qint64>(0, heldMs)) + kDrainMarginMs);
        }
    });
    d->sink->start(&d->samples);
    if (d->sink->error() != QAudio::NoError || d->sink->state() == QAudio::StoppedState)
        stop();
}

void SoundOutput::stop()
{
    d->drained.stop();
    if (!d->sink)
        return;
    QAudioSink *sink = std::exchange(d->sink, nullptr);
    sink->disconnect(this);
    sink->stop();
    // This may run inside one of the sink's own signals.
    sink->deleteLater();
    d->samples.close();
    d->samples.setData(QByteArray());
    d->image = QByteArray();
    emit stopped();
}

bool SoundOutput::isPlaying() const
{
    return d->sink != nullptr;
}

} // namespace platform
