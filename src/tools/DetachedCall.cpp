#include "DetachedCall.h"

namespace tools {

DetachedCall::DetachedCall(QObject *parent) : QObject(parent), m_link(std::make_shared<Link>())
{
    m_link->call = this;
}

DetachedCall::~DetachedCall()
{
    const std::lock_guard lock(m_link->mutex);
    m_link->call = nullptr;
}

void DetachedCall::abandon()
{
    {
        const std::lock_guard lock(m_link->mutex);
        m_link->call = nullptr;
    }
    // An answer posted before this is dropped when it arrives.
    m_abandoned = true;
    deleteLater();
}

} // namespace tools
