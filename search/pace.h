#pragma once

// The pace of a list without a window: the pauses between phrases, as a
// multiple of the pause asked for. A check page doubles it, up to the most;
// every run of phrases without one brings it a step back down, never under
// the pause asked for. A step down that meets a check page within its first
// run went where the engine's limit is: the next one waits twice as many
// phrases, so that a list does not keep walking into the same limit.
class Pace
{
public:
    static constexpr int kMostTimes = 8;
    static constexpr int kPhrasesForAStepDown = 20;
    static constexpr int kMostPhrasesForAStepDown = 320;

    explicit Pace(int times = 1);

    void checkPage();
    void phraseEnded();

    int times() const { return m_times; }
    // The pauses' mean at this pace.
    int meanOf(int pauseMilliseconds) const { return pauseMilliseconds * m_times; }

private:
    int m_times;
    int m_phrasesWithoutCheck = 0;
    int m_phrasesForAStepDown = kPhrasesForAStepDown;
    bool m_steppedDown = false;   // since the last check page
};
