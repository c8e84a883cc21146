#include "update/BackgroundWork.h"

#include <wx/app.h>

#include <utility>

BackgroundWork::BackgroundWork(std::function<void(BackgroundWork&)> work)
    : thread([this, work = std::move(work)] {
          work(*this);
          done = true;
          // An event for the waiting thread, so that its pause ends now rather than at its next
          // poll. Queueing is thread-safe; the event does nothing.
          if (wxAppConsole* app = wxAppConsole::GetInstance())
              app->CallAfter([] {});
      })
{}

BackgroundWork::~BackgroundWork()
{
    Stop();
    thread.join();
}

double BackgroundWork::Fraction() const
{
    return fraction;
}

bool BackgroundWork::Report(uint64_t doneBytes, uint64_t totalBytes)
{
    fraction = totalBytes ? static_cast<double>(doneBytes) / static_cast<double>(totalBytes) : 1.0;
    return !stopAsked;
}
