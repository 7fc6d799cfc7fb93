#include "SoundOutput.h"

#include <QPointer>

namespace platform {

SoundOutput::SoundOutput(QObject *parent) : QObject(parent) {}

SoundOutput::~SoundOutput() = default;

void SoundOutput::play(const QByteArray &image, const PcmLayout &layout)
{
    if (!m_backend && m_error.isEmpty()) {
        m_backend = createSoundBackend(&m_error);
        // Said once: the installation lacks a part, and the program goes
        // on without sound.
        if (!m_backend)
            qWarning("No sound output: %s", qPrintable(m_error));
    }
    if (!m_backend)
        return;
    // Every sound, the ones cut off included, ends in one stopped().
    m_backend->play(image, layout, [self = QPointer<SoundOutput>(this)] {
        if (self)
            emit self->stopped();
    });
}

void SoundOutput::stop()
{
    if (m_backend)
        m_backend->stop();
}

bool SoundOutput::isPlaying() const
{
    return m_backend && m_backend->isPlaying();
}

} // namespace platform
