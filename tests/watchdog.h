#pragma once

// Fails a test whose main thread stops answering, instead of letting it hang
// until the test runner's limit: a timer on the main thread beats, another
// thread watches the beat, and when it is missing for too long the process
// aborts, so that QtTest's crash handler prints every thread's stack (the
// main thread's is the one that tells where it is stuck).

#include <QByteArray>
#include <QTimer>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class Watchdog
{
public:
    // CERCA_WATCHDOG_SECONDS overrides the limit (the sanitized run is slower).
    explicit Watchdog(int seconds = 20)
        : m_limit(std::chrono::seconds(qEnvironmentVariableIntValue("CERCA_WATCHDOG_SECONDS") > 0
                                           ? qEnvironmentVariableIntValue("CERCA_WATCHDOG_SECONDS")
                                           : seconds))
    {
        beat();
        QObject::connect(&m_beat, &QTimer::timeout, [this] { beat(); });
        m_beat.start(250);
        m_thread = std::thread([this] { watch(); });
    }

    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    using Clock = std::chrono::steady_clock;

    void beat() { m_last.store(Clock::now().time_since_epoch().count()); }

    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(500), [this] { return m_done; })) {
            const auto last = Clock::time_point(Clock::duration(m_last.load()));
            if (Clock::now() - last > m_limit) {
                std::fprintf(stderr, "Watchdog: the main thread has not run its event loop for %lld s\n",
                             static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(m_limit).count()));
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    const Clock::duration m_limit;
    QTimer m_beat;
    std::atomic<Clock::rep> m_last{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

// QTEST_MAIN for widget tests, with the watchdog.
#define CERCA_WATCHED_TEST_MAIN(TestObject)                                                                \
    int main(int argc, char *argv[])                                                                       \
    {                                                                                                      \
        QApplication app(argc, argv);                                                                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                           \
        Watchdog watchdog;                                                                                 \
        TestObject test;                                                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                         \
        return QTest::qExec(&test, argc, argv);                                                            \
    }
