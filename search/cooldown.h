#pragma once

#include <QtGlobal>
#include <optional>

// How long a list without a window waits after the engine's consent or check
// page before it asks the same page again: the first cool-down, then twice
// the one before at each check page in a row, never longer than the longest,
// until the waits together reach the total allowed. A page that passes starts
// the row again; the total counts every wait of the list.
class CoolDown
{
public:
    static constexpr int kDefaultFirstSeconds = 10 * 60;
    static constexpr int kLongestSeconds = 2 * 60 * 60;
    static constexpr int kDefaultTotalSeconds = 6 * 60 * 60;

    // 0 for the total: no wait at all, the first check page ends the list.
    CoolDown(qint64 firstMilliseconds = kDefaultFirstSeconds * 1000LL,
             qint64 longestMilliseconds = kLongestSeconds * 1000LL,
             qint64 totalMilliseconds = kDefaultTotalSeconds * 1000LL);

    // A check page: how long to wait before asking again (what is left of
    // the total, when that is less); none when the total is spent.
    std::optional<qint64> checkPage();
    // A page that passed: the next check page waits the first cool-down again.
    void pagePassed() { m_inRow = 0; }

    int inRow() const { return m_inRow; }
    qint64 waited() const { return m_waited; }

private:
    qint64 m_first;
    qint64 m_longest;
    qint64 m_total;
    qint64 m_waited = 0;
    int m_inRow = 0;
};
