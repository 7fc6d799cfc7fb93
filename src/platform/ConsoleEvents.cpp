#include "ConsoleEvents.h"

namespace platform {

namespace {
constexpr quint32 kControlC = 0;
constexpr quint32 kControlBreak = 1;
constexpr quint32 kClose = 2;
constexpr quint32 kShutdown = 6;
} // namespace

ConsoleEventAction consoleEventAction(quint32 event)
{
    switch (event) {
    case kControlC:
    case kControlBreak:
        return ConsoleEventAction::EndInOrder;
    case kClose:
    case kShutdown:
        return ConsoleEventAction::EndInOrderBeforeReturning;
    default:
        return ConsoleEventAction::PassOn;
    }
}

} // namespace platform
