#pragma once

#include <optional>

// The pace of a list without a window: the pauses' mean as a multiple of the
// pause asked for, counted in eighths. A check page doubles it, up to the
// most, and the pace that met it is taken as the engine's limit (a check page
// in a row, with no phrase passed since the last, says only that the block
// has not lifted). After every run of phrases without one the pace comes a
// step back down: to the lowest pace held above the limit when one is known,
// otherwise halfway to the pause asked for, never under it. There it stays
// for a long run (counted over lists); then the limit is taken to be an
// eighth lower, and the pace follows: an engine's limits lift.
class Pace
{
public:
    static constexpr int kOne = 8;   // the pause asked for, in eighths
    static constexpr int kMostTimes = 8;
    static constexpr int kPhrasesForAStepDown = 20;
    static constexpr int kPhrasesToTryTheLimit = 1000;

    // `phrases`: those passed since the last check page, counted over lists.
    explicit Pace(int eighths = kOne, std::optional<int> limit = std::nullopt, int phrases = 0);

    void checkPage();
    void phraseEnded();

    int eighths() const { return m_eighths; }
    double times() const { return double(m_eighths) / kOne; }
    // The pace that met the last check page, in eighths; none while unknown.
    std::optional<int> limit() const { return m_limit; }
    int phrasesWithoutCheck() const { return m_phrasesWithoutCheck; }
    // The pauses' mean at this pace.
    int meanOf(int pauseMilliseconds) const { return int(static_cast<long long>(pauseMilliseconds) * m_eighths / kOne); }

    // The lowest pace held above a limit, in eighths.
    static int heldAbove(int limit);

private:
    int m_eighths;
    std::optional<int> m_limit;
    int m_phrasesWithoutCheck = 0;
    bool m_passedSinceCheck = true;   // a phrase passed since the last check page, or none met yet
};
