#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace app {

// Knows what each command word of the menus and buttons does, and which
// window it opens. Every tool window exists at most once: it is made when a
// command first asks for it, deleted when the user closes it, and a second
// request while it is open only brings it forward. Modal windows block the
// rest of the program's windows but never the event loop, so the tray and
// the refresh timer keep working while one is open.
class CommandRouter : public QObject
{
    Q_OBJECT
public:
    enum class Modality
    {
        Modal,
        Modeless
    };
    // Makes the window; parent is the window that owns the router.
    using WindowFactory = std::function<QWidget *(QWidget *parent)>;

    explicit CommandRouter(QWidget *owner);

    // A command that opens no window.
    void addAction(const QString &key, std::function<void()> action);
    // A command that opens a window; afterClose runs once the window has
    // been closed (for settings dialogs whose values the owner re-reads).
    void addWindow(const QString &key, Modality modality, WindowFactory make,
                   std::function<void()> afterClose = {});

    bool handles(const QString &key) const { return m_routes.contains(key); }
    // Runs the command; a key nobody registered does nothing.
    void run(const QString &key);
    // The window of that command while it is open, else nullptr.
    QWidget *openWindow(const QString &key) const;
    // Whether any window opened through the router is still open.
    bool hasOpenWindows() const;

signals:
    void windowOpened(const QString &key, QWidget *window);
    void windowClosed(const QString &key);

private:
    struct Route
    {
        Modality modality = Modality::Modal;
        WindowFactory make;
        std::function<void()> afterClose;
        std::function<void()> action;
        QPointer<QWidget> window;
    };

    void showWindow(const QString &key, Route &route);

    QWidget *m_owner;
    QHash<QString, Route> m_routes;
};

} // namespace app
