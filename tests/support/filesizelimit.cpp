#include "filesizelimit.h"

#include <QByteArray>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon::testing {

namespace {

// The child's report: one byte for success, then the reason as UTF-8.
[[noreturn]] void runChild(int reportFd, qint64 limitBytes, const std::function<Outcome()>& work)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        _exit(3);
    const Outcome outcome = work();
    QByteArray report(1, outcome.ok() ? '1' : '0');
    report += outcome.reason().toUtf8();
    const bool reported = write(reportFd, report.constData(), size_t(report.size())) == report.size();
    _exit(reported ? 0 : 4);
}

QByteArray readReport(int fd)
{
    QByteArray report;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            report.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    return report;
}

}  // namespace

ChildOutcome RunUnderFileSizeLimit(qint64 limitBytes, const std::function<Outcome()>& work)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        runChild(pipeFds[1], limitBytes, work);
    }
    close(pipeFds[1]);
    const QByteArray report = child > 0 ? readReport(pipeFds[0]) : QByteArray();
    close(pipeFds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return {};
    ChildOutcome outcome;
    outcome.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.isEmpty();
    outcome.ok = outcome.finished && report.front() == '1';
    outcome.reason = QString::fromUtf8(report.mid(1));
    return outcome;
}

}  // namespace quillon::testing
