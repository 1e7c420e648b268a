// Progress of long work on a terminal: one line on stderr, rewritten in
// place, with the count done, the rate and the time left. It stays silent
// when stderr is no terminal or the user asked for quiet, so pipes and logs
// see nothing of it.
#ifndef OTL_TOOL_PROGRESS_H
#define OTL_TOOL_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <string>

namespace otltool {

class Progress {
public:
    // total 0: the count done and the rate only.
    Progress(std::string what, uint64_t total, bool quiet);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Counts one more unit; redraws the line at most ten times a second.
    void tick()
    {
        if (++done_ % kTicksBetweenChecks == 0 && shown_)
            maybeDraw();
    }
    // Clears the line; called by the destructor too.
    void finish();

private:
    static constexpr uint64_t kTicksBetweenChecks = 4096;
    using Clock = std::chrono::steady_clock;
    void maybeDraw();

    std::string what_;
    uint64_t total_;
    uint64_t done_ = 0;
    bool shown_;
    bool drawn_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_ = start_;
};

} // namespace otltool

#endif
