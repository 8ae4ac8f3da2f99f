#include "search/pace.h"

#include <algorithm>

namespace {

constexpr int kMost = Pace::kOne * Pace::kMostTimes;

} // namespace

Pace::Pace(int eighths, std::optional<int> limit, int phrases)
    : m_eighths(std::clamp(eighths, kOne, kMost))
    , m_phrasesWithoutCheck(std::clamp(phrases, 0, kPhrasesToTryTheLimit))
{
    if (limit && *limit >= kOne && *limit < kMost)
        m_limit = limit;
}

void Pace::checkPage()
{
    if (m_passedSinceCheck)
        m_limit = m_eighths;
    m_passedSinceCheck = false;
    m_eighths = std::min(m_eighths * 2, kMost);
    m_phrasesWithoutCheck = 0;
}

void Pace::phraseEnded()
{
    m_passedSinceCheck = true;
    const bool atTheLimit = m_limit && m_eighths <= *m_limit + 1;
    if (++m_phrasesWithoutCheck < (atTheLimit ? kPhrasesToTryTheLimit : kPhrasesForAStepDown))
        return;
    m_phrasesWithoutCheck = 0;
    if (atTheLimit) {
        // Long enough without one: the limit is tried again.
        m_eighths = std::max(kOne, *m_limit);
        m_limit.reset();
    } else if (m_limit) {
        m_eighths = std::max(kOne, *m_limit + 1);
    } else {
        m_eighths = std::max(kOne, (m_eighths + kOne) / 2);
    }
}
