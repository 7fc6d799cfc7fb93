// The sound plug-in: plays wave images through Qt Multimedia (PulseAudio
// or PipeWire underneath). Loaded on the first sound, so a run that plays
// none never maps the multimedia libraries.
#include "SoundBackend.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QObject>
#include <QTimer>

namespace {

// Time the audio server may take beyond the samples the sink still holds
// before the sound is taken to be over. PulseAudio keeps more than the sink
// reports (a quarter of a second cut the last 20 ms off); on a busy machine
// playback also runs late.
constexpr int kDrainMarginMs = 1000;

class MultimediaSoundBackend : public platform::SoundBackend
{
public:
    MultimediaSoundBackend()
    {
        m_drained.setSingleShot(true);
        QObject::connect(&m_drained, &QTimer::timeout, &m_context, [this] { stop(); });
    }

    ~MultimediaSoundBackend() override
    {
        if (m_sink) {
            m_sink->disconnect(&m_context);
            m_sink->stop();
            delete m_sink;
        }
    }

    void play(const QByteArray &image, const platform::PcmLayout &layout, Stopped stopped) override
    {
        stop();
        m_stopped = std::move(stopped);
        if (layout.size <= 0 || layout.offset < 0 || layout.offset + layout.size > image.size()) {
            finish();
            return;
        }

        QAudioFormat format;
        format.setSampleRate(layout.sampleRate);
        format.setChannelCount(layout.channels);
        format.setSampleFormat(layout.bitsPerSample == 8 ? QAudioFormat::UInt8
                                                         : QAudioFormat::Int16);
        m_bytesPerSecond = format.bytesForDuration(1000000);

        m_image = image;
        m_samples.setData(
            QByteArray::fromRawData(m_image.constData() + layout.offset, layout.size));
        m_samples.open(QIODevice::ReadOnly);

        m_sink = new QAudioSink(format);
        QObject::connect(m_sink, &QAudioSink::stateChanged, &m_context, [this](QAudio::State s) {
            if (s == QAudio::StoppedState) {
                // Refused by the server, or the device went away.
                QTimer::singleShot(0, &m_context, [this] { stop(); });
            } else if (s == QAudio::IdleState && m_samples.atEnd() && !m_drained.isActive()) {
                // Everything is handed over; what the server still holds
                // plays on for a moment.
                const qint64 held = m_sink->bufferSize() - m_sink->bytesFree();
                const qint64 heldMs = m_bytesPerSecond > 0 ? held * 1000 / m_bytesPerSecond : 0;
                m_drained.start(int(std::max<qint64>(0, heldMs)) + kDrainMarginMs);
            }
        });
        m_sink->start(&m_samples);
        if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState)
            stop();
    }

    void stop() override
    {
        m_drained.stop();
        if (!m_sink)
            return;
        QAudioSink *sink = std::exchange(m_sink, nullptr);
        sink->disconnect(&m_context);
        sink->stop();
        // This may run inside one of the sink's own signals.
        sink->deleteLater();
        m_samples.close();
        m_samples.setData(QByteArray());
        m_image = QByteArray();
        finish();
    }

    bool isPlaying() const override { return m_sink != nullptr; }

private:
    // The end is told later, never from inside play() or stop().
    void finish()
    {
        if (m_stopped)
            QTimer::singleShot(0, &m_context, std::exchange(m_stopped, {}));
    }

    QObject m_context;
    QByteArray m_image; // keeps the samples alive while they play
    QBuffer m_samples;
    QAudioSink *m_sink = nullptr;
    QTimer m_drained;
    Stopped m_stopped;
    int m_bytesPerSecond = 0;
};

} // namespace

class MultimediaSoundPlugin : public QObject, public platform::SoundBackendFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvelSoundBackendFactory_iid)
    Q_INTERFACES(platform::SoundBackendFactory)
public:
    std::unique_ptr<platform::SoundBackend> createSoundBackend() override
    {
        return std::make_unique<MultimediaSoundBackend>();
    }
};

#include "MultimediaSound.moc"
