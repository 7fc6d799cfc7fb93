#pragma once

namespace platform {

// Whether this program runs with the system's highest rights (root). Asked
// by the browser program only, which exists where the web engine does.
bool runsAsSuperuser();

} // namespace platform
