// vrq_bench_spawn REPORT PROGRAM [ARGS...]: runs PROGRAM and writes "<exit code> <ru_maxrss in KB>
// <user + system seconds>" to REPORT. A child's ru_maxrss includes the memory its parent had when it forked,
// so the benchmark starts its children through this small process rather than directly. The child finds the
// monotonic time at which it was started in VRQ_BENCH_STARTED_NS, to time itself from its own start.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vrq_bench_spawn REPORT PROGRAM [ARGS...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        char started[32];
        std::snprintf(started, sizeof started, "%lld",
                      static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        setenv("VRQ_BENCH_STARTED_NS", started, 1);
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    std::FILE* report = std::fopen(argv[1], "w");
    if (!report)
        return 2;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::fprintf(report, "%d %ld %.6f\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss, cpu);
    std::fclose(report);
    return 0;
}
