#pragma once

// File work of an update (reading and hashing the files, the copies and their read-back, the
// removals) on a thread of its own: on a slow data disk one piece can take longer than a window
// may stay unanswered. The update's thread meanwhile handles its events and shows the progress;
// it never touches the work's data until Done() is true.

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

class BackgroundWork
{
public:
    // Starts work at once. It gets the progress callback that the VerifiedCopy calls take.
    explicit BackgroundWork(std::function<void(BackgroundWork&)> work);
    // Asks the work to stop and waits for its thread.
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    bool Done() const { return done; }
    void Stop() { stopAsked = true; }
    // The share of the work done (0 to 1); 0 before the first report.
    double Fraction() const;

    // For the work: records progress; false once a stop was asked.
    [[nodiscard]] bool Report(uint64_t doneBytes, uint64_t totalBytes);

private:
    std::atomic<bool> done{false};
    std::atomic<bool> stopAsked{false};
    std::atomic<double> fraction{0};
    std::thread thread;
};
