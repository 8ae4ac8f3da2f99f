#pragma once

// Fails a test whose main thread stops answering, instead of letting it hang
// until the test runner's limit: a timer on the main thread beats, another
// thread watches the beat, and when it is missing for too long the process
// aborts, so that QtTest's crash handler prints every thread's stack.

#include <QTimer>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

class Watchdog
{
public:
    // CERCA_WATCHDOG_SECONDS overrides the limit (the sanitized run is slower).
    Watchdog()
    {
        const int seconds = qEnvironmentVariableIntValue("CERCA_WATCHDOG_SECONDS");
        m_limit = std::chrono::seconds(seconds > 0 ? seconds : 20);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { m_last = Clock::now(); });
        m_beat.start(250);
        m_thread = std::thread([this] {
            while (!m_done) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (Clock::now() - m_last.load() > m_limit) {
                    std::fprintf(stderr, "Watchdog: the main thread has not run its event loop for %lld s\n",
                                 static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(m_limit).count()));
                    std::abort();
                }
            }
        });
    }

    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::duration m_limit;
    std::atomic<Clock::time_point> m_last{Clock::now()};
    std::atomic<bool> m_done{false};
    QTimer m_beat;
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

// QTEST_GUILESS_MAIN, with the watchdog.
#define CERCA_WATCHED_GUILESS_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                                       \
    {                                                                                                      \
        QCoreApplication app(argc, argv);                                                                  \
        Watchdog watchdog;                                                                                 \
        TestObject test;                                                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                         \
        return QTest::qExec(&test, argc, argv);                                                            \
    }
