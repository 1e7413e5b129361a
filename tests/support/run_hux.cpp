#include "run_hux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "test_paths.h"

const char* const kBanner =
    "HUX version 3.02 (c) the HUX developers: chess games found by what happens on the board\n";

namespace {

void closeBoth(int fds[2]) {
    close(fds[0]);
    close(fds[1]);
}

}  // namespace

HuxRun runHux(const std::vector<std::string>& args, const std::string& cwd, int timeoutSeconds) {
    HuxRun run;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0) return run;
    if (pipe(errPipe) != 0) {
        closeBoth(outPipe);
        return run;
    }
    pid_t pid = fork();
    if (pid < 0) {
        closeBoth(outPipe);
        closeBoth(errPipe);
        return run;
    }
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        closeBoth(outPipe);
        closeBoth(errPipe);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(HUX_BINARY));
        // The whole suite runs again with each number of threads: the output
        // must not depend on it.
        const char* jobs = getenv("HUX_TEST_JOBS");
        std::string jobsOption = jobs != nullptr ? std::string("--jobs=") + jobs : "";
        if (!jobsOption.empty()) argv.push_back(jobsOption.data());
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(HUX_BINARY, argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    bool killed = false;
    char buf[65536];
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, int(left.count())) < 0) break;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            }
        }
    }
    for (pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus))
        run.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        run.status = 128 + WTERMSIG(wstatus);
    if (killed) run.err += "\n[killed: timeout]\n";
    return run;
}

std::string selectedGames(const HuxRun& run) {
    std::string marks;
    for (size_t at = run.out.find("+<"); at != std::string::npos; at = run.out.find("+<", at + 1))
        marks += run.out.substr(at, run.out.find('>', at) - at + 1);
    return marks;
}

HuxRun runQuery(const std::string& text) {
    std::string dir = scratchDir();
    writeFile(dir + "/q.hux", text);
    return runHux({"q.hux"}, dir);
}

std::string repeat(const std::string& word, int n) {
    std::string out;
    for (int i = 0; i < n; i++) out += word + " ";
    return out;
}
