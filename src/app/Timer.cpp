#include "app/Timer.h"

namespace app {

int CTimer::AllocateID()
{
    for (std::size_t i = 0; i < m_used.size(); ++i) {
        if (m_used[i] == 0) {
            m_used[i] = 1;
            return static_cast<int>(i) + 1;
        }
    }
    m_used.push_back(1);
    return static_cast<int>(m_used.size());
}

void CTimer::ReleaseID(int id)
{
    if (id < 1 || static_cast<std::size_t>(id) > m_used.size())
        return;
    m_used[static_cast<std::size_t>(id) - 1] = 0;
}

}   // namespace app
