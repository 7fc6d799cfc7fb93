#include "SoundBackend.h"

#include "PluginLoader.h"

namespace platform {

std::unique_ptr<SoundBackend> createSoundBackend(QString *error)
{
    auto *factory = loadPlugin<SoundBackendFactory>(QStringLiteral("quorvel-sound"), error);
    return factory ? factory->createSoundBackend() : nullptr;
}

} // namespace platform
