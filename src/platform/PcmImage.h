#pragma once

#include "SoundBackend.h"

#include <QByteArray>
#include <QByteArrayView>

namespace platform {

// A RIFF/WAVE image holding exactly the samples that layout finds in image
// behind a plain PCM header, for players that read the image themselves
// and trust its sizes (a player handed memory does not know where the
// memory ends). Empty when the layout does not lie within the image.
QByteArray pcmImage(QByteArrayView image, const PcmLayout &layout);

// How long the layout's samples play, in milliseconds; 0 for a layout that
// cannot play.
qint64 playingTimeMs(const PcmLayout &layout);

} // namespace platform
