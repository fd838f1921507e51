#pragma once

#include <atomic>
#include <functional>

namespace quillon {

// How the caller follows and stops long work in a lower layer. Lower layers never process window
// events themselves: they call `progress` after each block (a window repaints there), and end
// early, leaving the user's files as they were, once `stop` is set.
struct WorkControl {
    std::function<void()> progress;
    const std::atomic_bool* stop = nullptr;

    void reportProgress() const
    {
        if (progress)
            progress();
    }
    bool stopRequested() const { return stop && stop->load(); }
};

}  // namespace quillon
