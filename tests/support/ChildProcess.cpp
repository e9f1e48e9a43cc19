#include "support/ChildProcess.h"

#include <QDeadlineTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kChildVariable = "VELDOR_TEST_CHILD";

std::string CurrentTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

bool InTestChild() {
    const char* value = std::getenv(kChildVariable);
    return value != nullptr && value == CurrentTestName();
}

bool LimitFileSizeFromNow(long bytes) {
    if (!InTestChild()) {
        return false;
    }
    struct rlimit limit {};
    if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || getrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return false;
    }
    limit.rlim_cur = rlim_t(bytes);
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

ChildResult RunTestInChild(std::optional<long> fileSizeLimit, int timeoutMs) {
    ChildResult result;
    const std::string test = CurrentTestName();
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (test.empty() || length <= 0) {
        return result;
    }
    self[length] = '\0';

    // Everything the child needs is made before fork: after it, only async-signal-safe calls.
    std::vector<std::string> args{self, "--gtest_filter=" + test};
    std::vector<std::string> env{std::string(kChildVariable) + "=" + test};
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind(std::string(kChildVariable) + "=", 0) != 0) {
            env.emplace_back(*e);
        }
    }
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return result;
    }
    if (fileSizeLimit) {
        limit.rlim_cur = rlim_t(*fileSizeLimit);
    }

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        if (fileSizeLimit) {
            // An ignored signal stays ignored across exec.
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            if (sigaction(SIGXFSZ, &ignore, nullptr) != 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                _exit(126);
            }
        }
        execve(self, argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    result.started = true;

    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        pollfd fd{out[0], POLLIN, 0};
        const int ready = poll(&fd, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            result.output += "\n[child killed: no end within the time limit]\n";
            kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        result.output.append(buffer, n);
    }
    close(out[0]);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}
