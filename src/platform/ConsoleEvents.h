#pragma once

#include <QtGlobal>

namespace platform {

// What a console's control event asks of the program.
enum class ConsoleEventAction
{
    // Not ours to act on: the next handler (in the end the system's) gets it.
    PassOn,
    // Ctrl+C, Ctrl+Break: end in order; the console waits for nothing.
    EndInOrder,
    // The console is closing or the system shutting down: the process ends
    // as soon as the handler returns, so the handler waits (bounded) for the
    // program to have ended in order.
    EndInOrderBeforeReturning,
};

// The action for a console control event number (CTRL_C_EVENT and its
// siblings). A log-off event goes on: it reaches only services, for any
// user's log-off, and this program learns of its own session's end from the
// session manager.
ConsoleEventAction consoleEventAction(quint32 event);

// How long a handler waits for the program in the last case: less than the
// five seconds the system grants before it ends the process itself.
inline constexpr int kConsoleEndWaitMs = 4000;

} // namespace platform
