#include "CommandRouter.h"

namespace app {

CommandRouter::CommandRouter(QWidget *owner) : QObject(owner), m_owner(owner) {}

void CommandRouter::addAction(const QString &key, std::function<void()> action)
{
    Route route;
    route.action = std::move(action);
    m_routes.insert(key, std::move(route));
}

void CommandRouter::addWindow(const QString &key, Modality modality, WindowFactory make,
                              std::function<void()> afterClose)
{
    Route route;
    route.modality = modality;
    route.make = std::move(make);
    route.afterClose = std::move(afterClose);
    m_routes.insert(key, std::move(route));
}

void CommandRouter::run(const QString &key)
{
    const auto it = m_routes.find(key);
    if (it == m_routes.end())
        return;
    if (it->action) {
        // Copied first: an action such as "exit" may end up deleting us.
        const auto action = it->action;
        action();
        return;
    }
    showWindow(key, *it);
}

void CommandRouter::showWindow(const QString &key, Route &route)
{
    if (QWidget *open = route.window) {
        // One of each: a second request brings the open one to the front.
        open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    QWidget *window = route.make(m_owner);
    if (!window)
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (route.modality == Modality::Modal)
        window->setWindowModality(Qt::ApplicationModal);
    route.window = window;
    // Looked up again when the window goes: the table may have grown since.
    connect(window, &QObject::destroyed, this, [this, key] {
        const auto it = m_routes.constFind(key);
        if (it != m_routes.constEnd() && it->afterClose)
            it->afterClose();
        emit windowClosed(key);
    });
    window->show();
    window->raise();
    window->activateWindow();
    emit windowOpened(key, window);
}

QWidget *CommandRouter::openWindow(const QString &key) const
{
    const auto it = m_routes.constFind(key);
    return it == m_routes.constEnd() ? nullptr : it->window.data();
}

bool CommandRouter::hasOpenWindows() const
{
    for (const Route &r : m_routes)
        if (r.window)
            return true;
    return false;
}

} // namespace app
