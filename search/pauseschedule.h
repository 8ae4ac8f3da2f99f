#pragma once

#include <QtGlobal>

#include <optional>

// When a list's next search starts. Each search has its slot, a mean after
// the slot of the one before, and starts up to a quarter of the mean either
// side of it, drawn at random: so each pause still lies between half and one
// and a half times the mean, as a person's vary, but searches never bunch.
// Any n searches in a row span at least n - 1 means less half a mean, where
// pauses drawn each on its own would now and then put several short ones
// together and pass an engine's limit that the mean keeps well within. A
// search that starts late moves the slots after it later, never earlier.
class PauseSchedule
{
public:
    // The pause from `now` until the next search (`uniform` in [0, 1)),
    // never under `minimum`. With no search started yet, the pause is drawn
    // on its own, between half and one and a half times the mean.
    qint64 next(qint64 now, qint64 mean, qint64 minimum, double uniform);
    // A search starts now: the one the last pause was drawn for, or one
    // with no pause before it (a list's first, a page after the first of a
    // phrase, the first after a wait), whose slot is now.
    void searchStarted(qint64 now);

private:
    std::optional<qint64> m_slot;   // of the search started last
    std::optional<qint64> m_drawnSlot;   // of the search the last pause was drawn for
    qint64 m_drawnOffset = 0;
};
