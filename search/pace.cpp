#include "search/pace.h"

#include <algorithm>

Pace::Pace(int times)
    : m_times(std::clamp(times, 1, kMostTimes))
{
}

void Pace::checkPage()
{
    m_times = std::min(m_times * 2, kMostTimes);
    m_phrasesWithoutCheck = 0;
}

void Pace::phraseEnded()
{
    if (++m_phrasesWithoutCheck < kPhrasesForAStepDown)
        return;
    m_phrasesWithoutCheck = 0;
    m_times = std::max(1, m_times / 2);
}
