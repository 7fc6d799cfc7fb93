#include "TrayMenuModel.h"

namespace tray {

TrayMenuModel::TrayMenuModel() : m_entries(1) {}

long TrayMenuModel::AddMenuItem(const QString &sCaption, const QString &sKey, bool bDefault)
{
    long index = 0;
    if (!m_menuStarted) {
        m_menuStarted = true;
    } else {
        index = long(m_entries.size());
        m_entries.emplace_back();
    }
    Entry &e = m_entries[size_t(index)];
    e.key = sKey;
    e.caption = sCaption;
    if (bDefault)
        m_defaultIndex = index;
    return index;
}

bool TrayMenuModel::ValidMenuIndex(long i) const
{
    return i >= 0 && i < long(m_entries.size());
}

void TrayMenuModel::EnableMenuItem(long lIndex, bool bState)
{
    if (ValidMenuIndex(lIndex))
        m_entries[size_t(lIndex)].enabled = bState;
}

long TrayMenuModel::RemoveMenuItem(long iIndex)
{
    if (!ValidMenuIndex(iIndex))
        return 0;
    if (iIndex == 0) {
        // Entry 0 always exists; removing it only blanks it.
        m_entries[0].caption.clear();
        return 0;
    }
    // Only caption and key move down; each place keeps its enabled state.
    for (size_t i = size_t(iIndex) + 1; i < m_entries.size(); ++i) {
        m_entries[i - 1].caption = m_entries[i].caption;
        m_entries[i - 1].key = m_entries[i].key;
    }
    m_entries.pop_back();
    return 0;
}

void TrayMenuModel::setDefaultMenuIndex(long lIndex)
{
    m_defaultIndex = ValidMenuIndex(lIndex) ? lIndex : 0;
}

} // namespace tray
