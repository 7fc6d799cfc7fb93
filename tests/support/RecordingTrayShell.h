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

    bool isAvailable() const override { return available; }
    void addIcon(const QIcon &i, const QString &t, QMenu *m) override
    {
        icon = i;
        tip = t;
        menu = m;
        iconShown = true;
        calls << QStringLiteral("add");
    }
    void setTip(const QString &t) override
    {
        tip = t;
        calls << QStringLiteral("tip");
    }
    void setIcon(const QIcon &i) override
    {
        icon = i;
        calls << QStringLiteral("icon");
    }
    void deleteIcon() override
    {
        iconShown = false;
        calls << QStringLiteral("delete");
    }
    bool balloonsSupported() const override { return supportsBalloons; }
    void showBalloon(const QString &title, const QString &text, int i, int timeoutMs) override
    {
        balloons.append({title, text, i, timeoutMs});
        calls << QStringLiteral("balloon");
    }
    void popupMenu(QMenu *) override { calls << QStringLiteral("popup"); }

    QStringList balloonTexts() const
    {
        QStringList out;
        for (const Balloon &b : balloons)
            out << b.text;
        return out;
    }
    void click(int code) { emit notification(code); }
};
