#include "filesizelimit.h"

#include "tempfileclaim.h"

#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon::testing {

ChildOutcome RunUnderFileSizeLimit(qint64 limitBytes, const std::function<Outcome()>& work)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {  // reports one byte for success, then the reason as UTF-8
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(3);
        const Outcome outcome = work();
        const QByteArray report = (outcome.ok() ? "1" : "0") + outcome.reason().toUtf8();
        _exit(write(pipeFds[1], report.constData(), size_t(report.size())) == report.size() ? 0 : 4);
    }
    close(pipeFds[1]);
    QFile reportPipe;
    reportPipe.open(pipeFds[0], QIODevice::ReadOnly, QFile::AutoCloseHandle);
    const QByteArray report = child > 0 ? reportPipe.readAll() : QByteArray();
    reportPipe.close();
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return {};
    const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.isEmpty();
    return {finished, finished && report.front() == '1', QString::fromUtf8(report.mid(1))};
}

bool KilledByFileSizeLimit(qint64 limitBytes, const std::function<void()>& work)
{
    const pid_t child = fork();
    if (child == 0) {
        const TempFileClaim claim;
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(3);
        work();
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

}  // namespace quillon::testing
