#pragma once

#include "TrayShell.h"

#include <QList>
#include <QStringList>

class QMenu;

// Stands in for the desktop's notification area: remembers what the tray
// component asked of it, and can report clicks back.
class RecordingTrayShell : public tray::TrayShell
{
    Q_OBJECT
public:
    struct Balloon
    {
        QString title;
        QString text;
        int icon;
        int timeoutMs;
    };

    bool available = true;
    bool supportsBalloons = true;
    bool iconShown = false;
    QString tip;
    QIcon icon;
    QMenu *menu = nullptr;
    QList<Balloon> balloons;
    QStringList calls; // "add", "tip", "icon", "delete", "balloon", "popup"
    // When set, every call is also written here, where it outlives the shell.
    QStringList *journal = nullptr;

    bool isAvailable() const override { return available; }
    void addIcon(const QIcon &i, const QString &t, QMenu *m) override
    {
        icon = i;
        tip = t;
        menu = m;
        iconShown = true;
        record(QStringLiteral("add"));
    }
    void setTip(const QString &t) override
    {
        tip = t;
        record(QStringLiteral("tip"));
    }
    void setIcon(const QIcon &i) override
    {
        icon = i;
        record(QStringLiteral("icon"));
    }
    void deleteIcon() override
    {
        iconShown = false;
        record(QStringLiteral("delete"));
    }
    bool balloonsSupported() const override { return supportsBalloons; }
    void showBalloon(const QString &title, const QString &text, int i, int timeoutMs) override
    {
        balloons.append({title, text, i, timeoutMs});
        record(QStringLiteral("balloon"));
    }
    void popupMenu(QMenu *) override { record(QStringLiteral("popup")); }

    QStringList balloonTexts() const
    {
        QStringList out;
        for (const Balloon &b : balloons)
            out << b.text;
        return out;
    }
    void click(int code) { emit notification(code); }

private:
    void record(const QString &call)
    {
        calls << call;
        if (journal)
            *journal << call;
    }
};
