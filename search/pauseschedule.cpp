#include "search/pauseschedule.h"

#include <algorithm>
#include <cmath>

qint64 PauseSchedule::next(qint64 now, qint64 mean, qint64 minimum, double uniform)
{
    if (!m_slot)
        return std::max(minimum, qint64(std::llround(double(mean) * (0.5 + uniform))));
    const qint64 offset = std::llround((uniform - 0.5) * double(mean) / 2);
    qint64 slot = *m_slot + mean;
    qint64 pause = slot + offset - now;
    if (pause < minimum) {
        // Late: the slots move on from here rather than catch up.
        pause = minimum;
        slot = now + minimum - offset;
    }
    m_drawnSlot = slot;
    m_drawnOffset = offset;
    return pause;
}

void PauseSchedule::searchStarted(qint64 now)
{
    m_slot = m_drawnSlot ? std::max(*m_drawnSlot, now - m_drawnOffset) : now;
    m_drawnSlot.reset();
}
