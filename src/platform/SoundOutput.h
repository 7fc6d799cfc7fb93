#pragma once

#include "SoundBackend.h"

#include <QByteArray>
#include <QObject>
#include <memory>

namespace platform {

// Plays one sound at a time from memory, without waiting for it. A new
// sound cuts the one still playing off. A machine without a working audio
// output plays nothing and says nothing; play() never blocks on it. The
// output itself is reached on the first play.
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

    // Why there is no output at all (the sound plug-in is missing); empty
    // until a play has tried to reach it, and when it worked.
    QString errorString() const { return m_error; }

signals:
    // A sound ended, was cut off or could not be started: one for each
    // play(), always after play() or stop() has returned.
    void stopped();

private:
    std::unique_ptr<SoundBackend> m_backend;
    QString m_error;
};

} // namespace platform
