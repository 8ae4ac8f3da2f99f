#pragma once

#include "search/grid.h"
#include "search/listsession.h"

#include <QObject>
#include <memory>
#include <optional>

class Archive;

// A grid of searches as the program runs it, in the window and on the
// command line alike: each point one search from there, run as a list runs
// its phrases (its pauses, cool-downs, pages not loaded or not read); the
// grid kept in the archive a point at a time, so that a grid stopped half
// way goes on from where it stopped.
class GridSession : public QObject
{
    Q_OBJECT
public:
    // `plan`: the list's plan for the points (inputs, pauses, waits, files);
    // its phrases are the grid's points.
    GridSession(GridPlan gridPlan, ListPlan plan, QObject *parent = nullptr);
    ~GridSession() override;

    // Opens the grid in the archive: a new one or, with `resume`, the latest
    // of the same phrase, centre and shape not ended, its measured points not
    // searched again. Why it cannot, in one sentence; nullopt when it can.
    std::optional<QString> open(bool resume);
    // The points' list, once open.
    ListSession *list() const { return m_list.get(); }
    void start(SearchRun *run);
    void stop();

    const GridPlan &gridPlan() const { return m_gridPlan; }
    // The grid as the archive has it: every point searched so far, in order.
    const ArchivedGrid &grid() const { return m_grid; }
    GridMeasures measures() const { return GridMeasures::of(m_grid.points); }
    // The grid of the same series ended before this one, once this one has
    // ended; nullopt when there is none.
    const std::optional<ArchivedGrid> &previous() const { return m_previous; }
    // What the grid's end says: "griglia 5x5 attorno a 45.4642,9.1900, ogni
    // 1 km: " and its measures; then what changed from the previous grid,
    // when there is one.
    QStringList endLines() const;
    // How many points were searched before this session began.
    int resumed() const { return m_resumed; }

signals:
    void pointEnded(const GridPointRecord &point);
    // The grid has ended and is kept: every point of the session searched.
    void finished();
    // The archive would not take a point: the grid goes on.
    void note(const QString &text);

private:
    void pointDone(const RunOutcome &outcome);
    void listSettled();

    GridPlan m_gridPlan;
    ListPlan m_plan;
    QList<Coordinates> m_points;
    std::unique_ptr<Archive> m_archive;
    std::unique_ptr<ListSession> m_list;
    ArchivedGrid m_grid;
    std::optional<ArchivedGrid> m_previous;
    int m_resumed = 0;
};
