#pragma once

#include <functional>
#include <thread>

namespace setdelta {

// Starts a thread that runs `work`; throws std::system_error where none can be started.
using ThreadStarter = std::function<std::jthread(std::function<void()> work)>;

std::jthread startThread(std::function<void()> work);

// Runs `background` on a thread of its own while `foreground` runs on the calling thread, and
// returns when both are done. Where no thread can be started (a process or memory limit), runs
// `foreground` and then `background` on the calling thread. An exception of either is passed
// on; where both throw, the foreground's.
void runBoth(const std::function<void()>& foreground, const std::function<void()>& background,
             const ThreadStarter& start = startThread);

} // namespace setdelta
