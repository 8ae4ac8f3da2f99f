#include "search/pace.h"

#include <algorithm>

namespace {

constexpr int kMost = Pace::kOne * Pace::kMostTimes;

} // namespace

Pace::Pace(int eighths, std::optional<int> limit, int phrases)
    : m_eighths(std::clamp(eighths, kOne, kMost))
    , m_phrasesWithoutCheck(std::clamp(phrases, 0, kPhrasesToTryTheLimit))
{
    if (limit && *limit >= kOne && *limit <= kMost)
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

int Pace::heldAbove(int limit)
{
    // On the schedule, seven searches in a row may come within five and a
    // half means, not six: a pace held above a limit is a twelfth of it
    // slower than that pace's mean, an eighth at the least.
    return std::max(limit + 1, (limit * 12 + 10) / 11);
}

void Pace::phraseEnded()
{
    m_passedSinceCheck = true;
    const bool atTheLimit = m_limit && m_eighths <= heldAbove(*m_limit);
    if (++m_phrasesWithoutCheck < (atTheLimit ? kPhrasesToTryTheLimit : kPhrasesForAStepDown))
        return;
    m_phrasesWithoutCheck = 0;
    if (atTheLimit) {
        // Long enough without one: the limit is taken to be an eighth
        // lower until a check page says otherwise, and the pace follows.
        if (*m_limit > kOne)
            m_limit = *m_limit - 1;
        else
            m_limit.reset();
    }
    if (m_limit)
        m_eighths = std::clamp(heldAbove(*m_limit), kOne, kMost);
    else if (atTheLimit)
        m_eighths = kOne;
    else
        m_eighths = std::max(kOne, (m_eighths + kOne) / 2);
}
