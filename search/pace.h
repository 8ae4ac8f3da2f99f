#pragma once

// The pace of a list without a window: the pauses between phrases, as a
// multiple of the pause asked for. A check page doubles it, up to the most;
// every run of phrases without one brings it a step back down, never under
// the pause asked for.
class Pace
{
public:
    static constexpr int kMostTimes = 8;
    static constexpr int kPhrasesForAStepDown = 20;

    explicit Pace(int times = 1);

    void checkPage();
    void phraseEnded();

    int times() const { return m_times; }
    // The pauses' mean at this pace.
    int meanOf(int pauseMilliseconds) const { return pauseMilliseconds * m_times; }

private:
    int m_times;
    int m_phrasesWithoutCheck = 0;
};
