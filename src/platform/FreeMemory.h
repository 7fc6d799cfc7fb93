#pragma once

namespace platform {

// Hands the free pages of the heap back to the system. Start-up builds and
// drops a good deal (the font list, the first refresh's work), which the
// allocator would otherwise keep resident for the whole session of a
// program that then sits in the tray for days.
void releaseFreeMemory();

} // namespace platform
