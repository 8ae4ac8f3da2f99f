#pragma once

// A stand-in for the search engine: serves results pages in the classic
// markup on 127.0.0.1, for the tests and for a demo without a network.

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

struct PhraseResults
{
    std::vector<std::string> addresses;
    std::vector<long> pagesWithoutMarkers;       // offsets of pages that carry no result
    std::map<long, int> slowPages;               // offset -> delay in milliseconds
    std::vector<long> silentPages;               // offsets that get no answer while the service runs
    std::vector<long> cutPages;                  // offsets whose connection closes halfway through the page
};

// Which phrase gives which results. The text form:
//   # a comment
//   [phrase]
//   http://www.example.it/          one address per line, in order
//   @generate 25                    25 generated addresses
//   @nomarkers 20                   the page at offset 20 holds no result
//   @slow 10 3000                   the page at offset 10 answers after 3 s
//   @silent 10                      the page at offset 10 never answers
//   @cut 10                         the page at offset 10 stops halfway, the connection closed
// Phrases that are not listed get a thousand generated addresses.
class Catalog
{
public:
    static Catalog parse(const std::string &text);
    static std::optional<Catalog> load(const std::string &path);

    PhraseResults resultsFor(const std::string &phrase) const;
    void add(const std::string &phrase, PhraseResults results) { m_phrases[phrase] = std::move(results); }

private:
    std::map<std::string, PhraseResults> m_phrases;
};

std::vector<std::string> generatedAddresses(const std::string &phrase, long count);

// The results page for a phrase at a result offset.
std::string resultsPage(const std::string &phrase, long offset, const PhraseResults &results);

struct Request
{
    std::chrono::steady_clock::time_point arrival;
    std::chrono::system_clock::time_point wallClock;
    std::string target; // path and query as received
};

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
    void clearRequests();
    void setLogStream(bool toStandardOutput) { m_logToStdout = toStandardOutput; }

private:
    Catalog m_catalog;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    bool m_logToStdout = false;
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::condition_variable m_stopping;
    bool m_stopped = false;
};

} // namespace results
