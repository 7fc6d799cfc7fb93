#pragma once

#include <QString>
#include <vector>

namespace tray {

// The tray menu as an array of entries addressed by index, with the rules
// the owner relies on: the first addMenuItem fills the entry that always
// exists (index 0), later ones append; removing shifts the later captions and
// keys down; out-of-range indexes are ignored.
class TrayMenuModel
{
public:
    struct Entry
    {
        QString caption; // "-" draws a separator
        QString key;     // the word the owner dispatches on
        bool enabled = true;
    };

    TrayMenuModel();

    long addMenuItem(const QString &caption, const QString &key = QString(),
                     bool isDefault = false);
    void setMenuItemEnabled(long index, bool enabled);
    long removeMenuItem(long index);
    long defaultMenuIndex() const { return m_defaultIndex; }
    void setDefaultMenuIndex(long index);
    bool isValidIndex(long i) const;

    const std::vector<Entry> &entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
    bool m_menuStarted = false;
    long m_defaultIndex = 0;
};

} // namespace tray
