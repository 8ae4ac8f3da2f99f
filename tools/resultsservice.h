#pragma once

// A stand-in for the search engine: serves results pages in the classic
// markup or in today's, with today's consent and check pages, on 127.0.0.1,
// for the tests and for a demo without a network.

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib { class Server; }

namespace results {

// How the engine's page for a search that found nothing is laid out.
struct NoResultsLook
{
    std::string layout;      // "classic", "desktop", "smartphone" or "basic"; empty: classic or desktop
                             // as the phrase's other pages
    std::string language = "it";   // "it", "en" or "ru"
    bool ads = false;        // ads above and below the message
};

// A business of the places block: where it stands decides its place, the
// nearest to the searcher first.
struct Business
{
    std::string name;
    std::string website;     // none when empty
    double latitude = 0;
    double longitude = 0;
};

struct PhraseResults
{
    std::vector<std::string> addresses;
    std::vector<long> pagesWithoutMarkers;       // offsets of pages that carry no result
    std::map<long, int> slowPages;               // offset -> delay in milliseconds
    std::vector<long> silentPages;               // offsets that get no answer while the service runs
    std::vector<long> cutPages;                  // offsets whose connection closes halfway through the page
    std::vector<long> hangingPages;              // offsets that never complete, until the client goes away
    std::vector<long> noResultsPages;            // offsets that get the engine's "no results" page
    NoResultsLook noResults;
    std::vector<long> unknownPages;              // offsets that get results in a layout no reader knows
    std::map<long, std::string> failingPages;    // offset -> "500", "503", "cut", "hang", "unknown" or
                                                 // "429": the first request only
    bool aiPlaceholder = false;                  // today's pages carry a hidden AI label and a "not available" note
    bool today = false;                          // today's markup instead of the classic one
    std::vector<long> checkPages;                // offsets that first ask for the check under /sorry/
    // What today's first page shows besides its results.
    std::string featured;                        // the source of a featured answer on top; none when empty
    std::vector<std::string> aiCited;            // an AI overview citing these, when any
    int aiAfter = -1;                            // the overview's text and sources come this many milliseconds
                                                 // after the document is parsed, a placeholder before; -1: at once
    bool aiNeverDone = false;                    // the overview shows its sources and goes on saying it is being
                                                 // generated
    int adsTop = 1;
    int adsBottom = 1;
    bool onePage = false;                        // a phone's page holds every result at once
    bool cookieNotice = false;                   // every page shows the cookie notice bar at its foot
    std::vector<long> videoResults;              // positions (from 1) of the addresses shown as a single video result
    std::vector<long> forumResults;              // positions (from 1) of the addresses shown as a forum thread
    bool sections = false;                       // today's first page holds sections whose cards look like results
    bool app = false;                            // the phone's first page opens with an app's install card
    bool recipes = false;                        // the phone's pages hold a recipes block
    std::vector<Business> businesses;            // the first page's places block, when any
};

// What a search address asked for besides the phrase, shown back in the
// page, hidden, so that the tests see what was sent.
struct SearchEcho
{
    std::string country;    // gl
    std::string language;   // hl
    std::string place;      // uule
};

// Where a "uule" says the searcher stands: the canonical name it carries
// ("Milan,Lombardy,Italy") or its coordinates ("45.4642000,9.1900000");
// empty when it is neither.
std::string decodedPlace(const std::string &uule);
// The coordinates a "uule" carries, when it carries any.
std::optional<std::pair<double, double>> coordinatesOf(const std::string &uule);
// The businesses in the order the service shows them from where the "uule"
// stands: the nearest first; as written without coordinates.
std::vector<Business> businessesFrom(const std::vector<Business> &businesses, const std::string &uule);

// Which phrase gives which results. The text form:
//   # a comment
//   [phrase]
//   http://www.example.it/          one address per line, in order
//   @generate 25                    25 generated addresses
//   @nomarkers 20                   the page at offset 20 holds no result
//   @slow 10 3000                   the page at offset 10 answers after 3 s
//   @silent 10                      the page at offset 10 never answers
//   @cut 10                         the page at offset 10 stops halfway, the connection closed
//   @hang 10                        the page at offset 10 never completes: the connection
//                                   stays open until the client goes away
//   @noresults 20                   the page at offset 20 is the engine's page saying the
//                                   search found nothing, though the page before links to it
//   @noresults 0 smartphone en ads  the same, laid out for a desktop, a smartphone or the basic
//                                   page, in Italian, English or Russian, with ads around it
//   @unknown 10                     the page at offset 10 holds results in a layout no reader knows
//   @fail 10 503                    the first request for the page at offset 10 is answered
//                                   500 or 503, "cut" halfway, left hanging ("hang"), laid out
//                                   as no reader knows ("unknown"), or refused with 429 and
//                                   the check page ("429"); later ones as usual
//   @aiplaceholder                  today's pages wrap their results, with a hidden "AI Overview"
//                                   label and a "not available" note among them
//   @today                          pages in today's markup: ads, other blocks, 8 to 11
//                                   results a page, some links wrapped in /url?q=
//   @check 10                       the page at offset 10 first sends the browser to a
//                                   check page under /sorry/, until its form is sent
//   @featured http://a.it/          today's first page opens with a featured answer quoting it
//   @ai http://a.it/ http://b.it/   today's first page opens with an AI overview citing them
//   @ai-dopo 3000 http://a.it/ ...  the same overview, arriving late: the first markup holds its
//                                   heading and a "Generazione in corso" line; its text and
//                                   sources are put in 3 s after the document is parsed
//   @ai-mai http://a.it/ ...        an overview that never completes: its sources come, the
//                                   "Generazione in corso" line stays
//   @ads 3 2                        today's pages show 3 ads above the results and 2 below
//                                   (one and one unless told)
//   @onepage                        a phone's first page holds every result
//   @video 4                        today's markup shows the 4th address as a single video
//                                   result: a thumbnail, the duration and "In questo video"
//                                   key moments, links to the same video at given times
//   @forum 6                        today's markup shows the 6th address as a forum thread with
//                                   rows of further threads under it, without headings of their own
//   @sections                       today's first page holds, after its second result, a
//                                   "Cose da sapere" section (one aspect with an AI overview
//                                   of its own), a video carousel under its heading and a
//                                   "Discussioni e forum" section, their cards in the
//                                   markup of organic results
//   @app                            the phone's first page opens with the install card of an
//                                   app named as the phrase: an app store's link, "Installa"
//   @recipes                        the phone's pages hold a "Ricette" block after their
//                                   first result, its cards in the markup of results
//   @luogo Idraulica Rossi | http://www.rossi.it/ | 45.4700,9.1900
//                                   the first page holds a places block ("Luoghi") with this
//                                   business (name, website or nothing, where it stands), in
//                                   today's markup for a computer and for a phone; three of
//                                   them, ordered by their distance from the coordinates the
//                                   search's "uule" carries, the nearest first
//   @cookienotice                   every page of the phrase (results, no results, unknown
//                                   layout) shows the cookie notice: a bar at the foot that
//                                   links to the policies and leaves the page usable
// A browser that introduces itself as a phone's gets the phone's layout of
// today's pages, whatever the phrase's own.
// And, before the first phrase:
//   @consent [viewport] [wide]      a search without the consent cookie is sent to a
//                                   consent page on the other host name (localhost for
//                                   127.0.0.1 and back); either button sets the cookie.
//                                   viewport: the page says it fits a phone's width
//                                   (without it, a phone's browser zooms it out as a
//                                   page for computers); wide: a page 1,366 pixels wide
//                                   whose one button, "Accetta tutto", stands right of
//                                   x = 1,000
//   @limite 6 60 120 [risposta]     more than 6 searches within 60 seconds are answered
//                                   with the check page for 120 seconds, then searches
//                                   go through again; with "risposta" the check page
//                                   stays until its form is sent. Sending it lifts the
//                                   block either way.
// Phrases that are not listed get a thousand generated addresses.
// How searches are limited, as the engine limits an address that asks too often.
struct RateLimit
{
    int searches = 0;         // more than these ...
    int seconds = 0;          // ... within these ...
    int blockSeconds = 0;     // ... are answered with the check page for these
    bool untilAnswered = false;   // the check page stays until it is answered
};

// How the consent page is made.
struct ConsentLook
{
    bool viewport = false;   // fits a phone's width
    bool wide = false;       // 1,366 pixels wide, its one button far to the right
};

class Catalog
{
public:
    static Catalog parse(const std::string &text);
    static std::optional<Catalog> load(const std::string &path);

    PhraseResults resultsFor(const std::string &phrase) const;
    void add(const std::string &phrase, PhraseResults results) { m_phrases[phrase] = std::move(results); }
    bool asksConsent() const { return m_consent; }
    const ConsentLook &consentLook() const { return m_consentLook; }
    const std::optional<RateLimit> &rateLimit() const { return m_limit; }

private:
    std::map<std::string, PhraseResults> m_phrases;
    bool m_consent = false;
    ConsentLook m_consentLook;
    std::optional<RateLimit> m_limit;
};

std::vector<std::string> generatedAddresses(const std::string &phrase, long count);

// The results page for a phrase at a result offset.
std::string resultsPage(const std::string &phrase, long offset, const PhraseResults &results);
// The same in today's markup: the page at offset 10k holds the results that
// follow those of the pages before it, 8 to 11 a page.
std::string todayResultsPage(const std::string &phrase, long offset, const PhraseResults &results,
                             const SearchEcho &echo = {});
// The phone's layout: a title is a heading by its role, no h3; an ad for an
// organic result's own address on top; a featured answer under a heading
// of its own, its source without a title heading; a local pack,
// shopping and hotel prices, questions and videos among the results; ten
// results a page and "Altri risultati", or every result at once.
std::string phoneResultsPage(const std::string &phrase, long offset, const PhraseResults &results,
                             const SearchEcho &echo = {});
std::string consentPage(const std::string &searchHost, const std::string &continueAddress,
                        const ConsentLook &look = ConsentLook());
std::string checkPage(const std::string &continueAddress);
// The engine's page for a search that found nothing.
std::string noResultsPage(const std::string &phrase, const NoResultsLook &look);
// Results laid out in a way that no reader knows: no result heading, no
// results container.
std::string unknownLayoutPage(const std::string &phrase, long offset, const PhraseResults &results);
// The page with the cookie notice at its foot: a dialog by its role, not
// modal, a bar across the bottom of the screen.
std::string withCookieNotice(const std::string &page);

struct Request
{
    std::chrono::steady_clock::time_point arrival;
    std::chrono::system_clock::time_point wallClock;
    std::string target; // path and query as received
    std::string userAgent;
};

// For the programs a test starts beside the service, in the child before
// exec (QProcess::setChildProcessModifier): every descriptor past the
// standard three closes at exec, so that no child holds a copy of the
// service's sockets and keeps open a connection the service has closed.
void closeDescriptorsOnExec();

class Service
{
public:
    explicit Service(Catalog catalog);
    ~Service();
    Service(const Service &) = delete;
    Service &operator=(const Service &) = delete;

    // Listens on 127.0.0.1; port 0 takes any free port. Returns the port, or -1.
    int start(int port = 0);
    void stop();
    int port() const { return m_port; }

    std::vector<Request> requests() const;
    std::vector<Request> searchRequests() const; // only those for /search
    // The one-time faults served, in order.
    struct ServedFault
    {
        std::string phrase;
        long offset = 0;
        std::string kind;
    };
    std::vector<ServedFault> faultsServed() const;
    // What each search was answered with, in order: "results", "consent" or
    // "check" (offset and phrase as asked); and "answer" for a check page
    // answered (no phrase).
    struct Served
    {
        std::string phrase;
        long offset = 0;
        std::string page;
    };
    std::vector<Served> served() const;
    void clearRequests();
    void setLogStream(bool toStandardOutput) { m_logToStdout = toStandardOutput; }
    // Answers every search for the phrase with the caller's page.
    void addPage(const std::string &phrase, std::string html);

private:
    Catalog m_catalog;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    bool m_logToStdout = false;
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::map<std::string, std::string> m_pages;
    std::map<std::string, int> m_failed;    // "phrase\noffset" -> failures served
    std::vector<ServedFault> m_faultsServed;
    std::vector<Served> m_served;
    // The rate limit's searches counted, and the block it set.
    std::vector<std::chrono::steady_clock::time_point> m_recentSearches;
    std::optional<std::chrono::steady_clock::time_point> m_blockedUntil;
    bool m_blockedUntilAnswered = false;
    // Whether this search is over the limit, or falls in a block; counted.
    bool overTheLimit();
    void serve(const std::string &phrase, long offset, const std::string &page);
    std::condition_variable m_stopping;
    bool m_stopped = false;
};

} // namespace results
