#include "parallel.h"

#include <exception>
#include <system_error>

namespace setdelta {

std::jthread startThread(std::function<void()> work)
{
    return std::jthread(std::move(work));
}

void runBoth(const std::function<void()>& foreground, const std::function<void()>& background,
             const ThreadStarter& start)
{
    std::exception_ptr backgroundError;
    {
        std::jthread worker;
        try {
            worker = start([&] {
                try {
                    background();
                } catch (...) {
                    backgroundError = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            foreground();
            background();
            return;
        }
        foreground();
    }
    if (backgroundError)
        std::rethrow_exception(backgroundError);
}

} // namespace setdelta
