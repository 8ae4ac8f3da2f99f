#include "search/pace.h"

#include <algorithm>

Pace::Pace(int times)
    : m_times(std::clamp(times, 1, kMostTimes))
{
}

void Pace::checkPage()
{
    if (m_steppedDown && m_phrasesWithoutCheck < kPhrasesForAStepDown)
        m_phrasesForAStepDown = std::min(m_phrasesForAStepDown * 2, kMostPhrasesForAStepDown);
    m_steppedDown = false;
    m_times = std::min(m_times * 2, kMostTimes);
    m_phrasesWithoutCheck = 0;
}

void Pace::phraseEnded()
{
    if (++m_phrasesWithoutCheck < m_phrasesForAStepDown)
        return;
    m_phrasesWithoutCheck = 0;
    m_steppedDown = m_times > 1;
    m_times = std::max(1, m_times / 2);
}
