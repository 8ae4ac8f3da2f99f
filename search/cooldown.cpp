#include "search/cooldown.h"

#include <algorithm>

CoolDown::CoolDown(qint64 firstMilliseconds, qint64 longestMilliseconds, qint64 totalMilliseconds)
    : m_first(std::max<qint64>(1, firstMilliseconds))
    , m_longest(std::max(m_first, longestMilliseconds))
    , m_total(std::max<qint64>(0, totalMilliseconds))
{
}

std::optional<qint64> CoolDown::checkPage()
{
    const qint64 left = m_total - m_waited;
    if (left <= 0)
        return std::nullopt;
    qint64 wait = m_first;
    for (int i = 0; i < m_inRow && wait < m_longest; ++i)
        wait *= 2;
    wait = std::min({wait, m_longest, left});
    ++m_inRow;
    m_waited += wait;
    return wait;
}
