// A list's pace against an engine's limit, in simulated time: the program's
// own rules (the pace that learns, the even schedule of searches, the
// cool-downs) against a limit kept as the local results service keeps it
// (more than N searches within T seconds answered with the check page for C
// seconds; the searches after a block counted afresh). Each phrase is one
// search; a page takes LOAD ms from its search to its phrase's end, a new
// browser after a wait BROWSER ms. Many seeds, so that the figures are not
// one draw's; bench/checkpages.sh runs the real program at one point.
// LISTS lists are run one after the other, each from the pace the one before
// kept.
//   bench_pace [PHRASES] [PAUSE_S] [SEEDS] [LISTS]
#include "search/cooldown.h"
#include "search/pace.h"
#include "search/pauseschedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr qint64 kSearches = 6, kWindow = 60'000, kBlock = 120'000;
constexpr qint64 kLoad = 300, kBrowser = 1'500, kMinimum = 5'000;

enum class Mode { FixedDrawn, FixedEven, Learning };

struct Engine
{
    std::deque<qint64> recent;
    qint64 blockedUntil = -1;

    bool checks(qint64 now)
    {
        if (now < blockedUntil)
            return true;
        while (!recent.empty() && now - recent.front() >= kWindow)
            recent.pop_front();
        recent.push_back(now);
        if (qint64(recent.size()) <= kSearches)
            return false;
        recent.clear();
        blockedUntil = now + kBlock;
        return true;
    }
};

struct Outcome
{
    double seconds = 0;
    int checks = 0;
    Pace pace;
};

Outcome listOf(Mode mode, int phrases, qint64 pause, Pace pace, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> uniform(0, 1);
    Engine engine;
    PauseSchedule schedule;
    CoolDown coolDown(kBlock);
    Outcome outcome;
    qint64 now = kBrowser;
    for (int done = 0; done < phrases;) {
        if (mode != Mode::FixedDrawn)
            schedule.searchStarted(now);
        const bool check = engine.checks(now);
        now += kLoad;
        if (check) {
            ++outcome.checks;
            if (mode == Mode::Learning)
                pace.checkPage();
            now += *coolDown.checkPage() + kBrowser;
            continue;
        }
        coolDown.pagePassed();
        if (mode == Mode::Learning)
            pace.phraseEnded();
        if (++done == phrases)
            break;
        const qint64 mean = mode == Mode::Learning ? pace.meanOf(int(pause)) : pause;
        const double u = uniform(random);
        now += mode == Mode::FixedDrawn ? std::max(kMinimum, qint64(std::llround(double(mean) * (0.5 + u))))
                                        : schedule.next(now, mean, kMinimum, u);
    }
    outcome.seconds = double(now) / 1000;
    outcome.pace = pace;
    return outcome;
}

void report(const char *what, const std::vector<Outcome> &runs, double least)
{
    std::vector<double> times;
    std::vector<int> checks;
    for (const Outcome &run : runs) {
        times.push_back(run.seconds / least);
        checks.push_back(run.checks);
    }
    std::sort(times.begin(), times.end());
    std::sort(checks.begin(), checks.end());
    const auto at = [](const auto &sorted, double share) { return sorted[std::size_t(share * double(sorted.size() - 1))]; };
    std::printf("%-46s %5.2f %5.2f %5.2f   %3d %3d %3d   %5.2f\n", what, at(times, 0.1), at(times, 0.5), at(times, 0.9),
                at(checks, 0.1), at(checks, 0.5), at(checks, 0.9), runs.back().pace.times());
}

} // namespace

int main(int argc, char **argv)
{
    const int phrases = argc > 1 ? std::atoi(argv[1]) : 200;
    const qint64 pause = (argc > 2 ? std::atoi(argv[2]) : 10) * 1000LL;
    const int seeds = argc > 3 ? std::atoi(argv[3]) : 200;
    const double least = double(phrases) / kSearches * kWindow / 1000;
    std::printf("%d phrases, --pausa %lld s, %d seeds; the least the limit allows %.0f s\n", phrases, pause / 1000, seeds, least);
    std::printf("%-46s %17s   %11s   %5s\n", "", "times the least", "check pages", "pace");
    std::printf("%-46s %5s %5s %5s   %3s %3s %3s   %5s\n", "", "10%", "50%", "90%", "10%", "50%", "90%", "end");
    const int lists = argc > 4 ? std::max(2, std::atoi(argv[4])) : 2;
    std::vector<Outcome> drawn, even;
    std::vector<std::vector<Outcome>> learning{std::size_t(lists)};
    for (int seed = 1; seed <= seeds; ++seed) {
        drawn.push_back(listOf(Mode::FixedDrawn, phrases, pause, Pace(), unsigned(seed)));
        even.push_back(listOf(Mode::FixedEven, phrases, pause, Pace(), unsigned(seed)));
        Pace kept;
        for (int list = 0; list < lists; ++list) {
            learning[std::size_t(list)].push_back(listOf(Mode::Learning, phrases, pause, kept, unsigned(seed + 100'000 * list)));
            const Pace &ended = learning[std::size_t(list)].back().pace;
            kept = Pace(ended.eighths(), ended.limit(), ended.phrasesWithoutCheck());
        }
    }
    report("fixed pace, each pause drawn on its own", drawn, least);
    report("fixed pace, searches on an even schedule", even, least);
    for (int list = 0; list < lists; ++list) {
        const std::string what = "learning pace: list " + std::to_string(list + 1) + (list ? ", from the pace kept" : "");
        report(what.c_str(), learning[std::size_t(list)], least);
    }
    return 0;
}
