#include "SoundPlayer.h"

#include "SoundOutput.h"
#include "WaveFile.h"

namespace settings {

SoundPlayer::SoundPlayer(QObject *parent) : QObject(parent) {}

SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::setSound(int slot, const QByteArray &image)
{
    Q_ASSERT(slot >= 0 && slot < kSlotCount);
    if (slot >= 0 && slot < kSlotCount)
        m_slots[size_t(slot)] = image;
}

QByteArray SoundPlayer::sound(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slots[size_t(slot)] : QByteArray();
}

void SoundPlayer::play(int slot)
{
    Q_ASSERT(slot >= 0 && slot < kSlotCount);
    const QByteArray image = sound(slot);
    // Whatever played before stops either way: the newest request wins.
    if (m_output)
        m_output->stop();
    const auto layout = parseWave(image);
    if (!layout)
        return;
    // The audio system is only reached once there is something to play.
    if (!m_output)
        m_output = new platform::SoundOutput(this);
    m_output->play(image, *layout);
}

bool SoundPlayer::isPlaying() const
{
    return m_output && m_output->isPlaying();
}

} // namespace settings
