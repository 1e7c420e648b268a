// The progress line. Time left is the remaining count at the rate so far;
// it is left out until the work has run long enough for the rate to mean
// something.
#include "progress.h"

#include <cstdio>
#include <unistd.h>

namespace otltool {
namespace {

std::string minutesAndSeconds(double seconds)
{
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

Progress::Progress(std::string what, uint64_t total, bool quiet)
    : what_(std::move(what)), total_(total), shown_(!quiet && isatty(STDERR_FILENO))
{
}

Progress::~Progress()
{
    finish();
}

void Progress::maybeDraw()
{
    const Clock::time_point now = Clock::now();
    if (now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastDraw_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0;
    std::string line = "\r" + what_ + ": " + std::to_string(done_);
    if (total_)
        line += " of " + std::to_string(total_);
    line += ", " + std::to_string(static_cast<uint64_t>(rate)) + "/s";
    if (total_ > done_ && rate > 0 && elapsed >= 1)
        line += ", " + minutesAndSeconds(static_cast<double>(total_ - done_) / rate) + " left";
    std::fputs((line + "\x1b[K").c_str(), stderr);
    drawn_ = true;
}

void Progress::finish()
{
    if (drawn_)
        std::fputs("\r\x1b[K", stderr);
    drawn_ = false;
    shown_ = false;
}

} // namespace otltool
