#pragma once

// The device end of the benchmark: writes flood lines into a pseudo-terminal's master on a thread
// of its own: as fast as the terminal takes them, at a set rate, or one line at a time on a fixed
// beat.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

struct FeedReport
{
    std::chrono::steady_clock::time_point firstWrite;
    std::chrono::steady_clock::time_point lastWrite; // when the last write call returned
    double cpuSeconds = 0;                           // the feeding thread's own
    bool complete = false;                           // every byte was taken
};

class PtyFeeder
{
public:
    // The master stays the caller's; it is switched to non-blocking.
    explicit PtyFeeder(int master);
    ~PtyFeeder();
    PtyFeeder(const PtyFeeder&) = delete;
    PtyFeeder& operator=(const PtyFeeder&) = delete;

    // Writes bytes as fast as the terminal accepts them.
    void StartFlood(std::string bytes);
    // Writes bytes at an even rate, in a burst every millisecond as a USB device's frames come.
    void StartRated(std::string bytes, double bytesPerSecond);
    // Writes count lines from firstSeq on, one per interval, each stamped just before its write.
    void StartPaced(uint32_t firstSeq, uint32_t count, std::chrono::microseconds interval);

    // Makes a feed that the other end stopped taking give up.
    void Abandon() { abandoned = true; }
    // Waits for the feed to end.
    FeedReport Join();

private:
    template <typename Feed> void Start(Feed feed);
    bool WriteAll(const char* data, size_t length);

    const int master;
    std::thread thread;
    FeedReport report; // written by the thread, read after the join
    std::atomic<bool> abandoned{false};
};
