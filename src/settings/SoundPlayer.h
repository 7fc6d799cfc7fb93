#pragma once

#include <QByteArray>
#include <QObject>
#include <array>

namespace platform {
class SoundOutput;
}

namespace settings {

// Wave images held in memory in a few numbered slots, any of which plays
// at a word without waiting. The program keeps its change sound in slot 1.
class SoundPlayer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = 4;
    static constexpr int kChangeSound = 1;

    explicit SoundPlayer(QObject *parent = nullptr);
    ~SoundPlayer() override;

    // Replaces what the slot held; a sound of the slot that is playing now
    // plays on to its end from its own copy.
    void setSound(int slot, const QByteArray &image);
    QByteArray sound(int slot) const;

    // Starts the slot's sound and returns at once, cutting off whatever
    // still plays. An empty slot, an image that is no playable wave and a
    // machine without sound output all play nothing, silently.
    void play(int slot);
    bool isPlaying() const;

private:
    std::array<QByteArray, kSlotCount> m_slots;
    platform::SoundOutput *m_output = nullptr; // made on the first play
};

} // namespace settings
