#include "TrayMenuModel.h"

namespace tray {

TrayMenuModel::TrayMenuModel() : m_entries(1) {}

long TrayMenuModel::addMenuItem(const QString &caption, const QString &key, bool isDefault)
{
    long index = 0;
    if (!m_menuStarted) {
        m_menuStarted = true;
    } else {
        index = long(m_entries.size());
        m_entries.emplace_back();
    }
    Entry &e = m_entries[size_t(index)];
    e.key = key;
    e.caption = caption;
    if (isDefault)
        m_defaultIndex = index;
    return index;
}

bool TrayMenuModel::isValidIndex(long i) const
{
    return i >= 0 && i < long(m_entries.size());
}

void TrayMenuModel::setMenuItemEnabled(long index, bool enabled)
{
    if (isValidIndex(index))
        m_entries[size_t(index)].enabled = enabled;
}

long TrayMenuModel::removeMenuItem(long index)
{
    if (!isValidIndex(index))
        return 0;
    if (index == 0) {
        // Entry 0 always exists; removing it only blanks it.
        m_entries[0].caption.clear();
        return 0;
    }
    // Only caption and key move down; each place keeps its enabled state.
    for (size_t i = size_t(index) + 1; i < m_entries.size(); ++i) {
        m_entries[i - 1].caption = m_entries[i].caption;
        m_entries[i - 1].key = m_entries[i].key;
    }
    m_entries.pop_back();
    return 0;
}

void TrayMenuModel::setDefaultMenuIndex(long index)
{
    m_defaultIndex = isValidIndex(index) ? index : 0;
}

} // namespace tray
