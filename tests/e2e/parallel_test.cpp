// The scan on several threads, run on the real binary: the options, the same
// output for every number of threads, a failed write, and a run stopped by a
// signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// n tiny games, numbered in their White tag.
std::string tinyGames(int n) {
    std::string text;
    for (int i = 1; i <= n; i++)
        text += "[Event \"g\"]\n[White \"W" + std::to_string(i) + "\"]\n\n1. e4 e5 1-0\n\n";
    return text;
}

// A scratch directory holding games.pgn and q.hux, "(match :pgn games.pgn WORDS)".
std::string setUp(const std::string& words, const std::string& pgn) {
    std::string dir = scratchDir();
    writeFile(dir + "/games.pgn", pgn);
    writeFile(dir + "/q.hux", "(match :pgn games.pgn " + words + ")");
    return dir;
}

TEST(ParallelOptions, RefusedOptions) {
    const std::string usage =
        "Usage: hux [-j N] [--pgn FILE] [--output FILE] filter.hux (hux --help for more)\n";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-j", "0", "q.hux"}, "hux: the number of jobs must be from 1 to 1024: 0\n"},
        {{"--jobs=x", "q.hux"}, "hux: the number of jobs must be from 1 to 1024: x\n"},
        {{"-j1025", "q.hux"}, "hux: the number of jobs must be from 1 to 1024: 1025\n"},
        {{"q.hux", "--jobs"}, "hux: missing number of jobs after --jobs\n"},
        {{"-x", "q.hux"}, "hux: unknown option -x\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runHux(c.args);
        EXPECT_EQ(run.out, kBanner);
        EXPECT_EQ(run.err, c.err + usage);
        EXPECT_EQ(run.status, 1);
    }
    // The usage error stays what it was, options or not.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-j", "2"}, std::vector<std::string>{"-j2", "a.hux", "b.hux"}}) {
        HuxRun run = runHux(args);
        EXPECT_EQ(run.out, std::string(kBanner) + "Error: Usage: hux filter.hux\n");
        EXPECT_EQ(run.status, 1);
    }
}

TEST(ParallelOptions, EveryFormGivesTheSameOutput) {
    std::string dir =
        setUp(":output out.pgn (position :check)",
              readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn") + tinyGames(3000));
    HuxRun single = runHux({"-j", "1", "q.hux"}, dir);
    ASSERT_EQ(single.status, 0) << single.out;
    std::string games = readFile(dir + "/out.pgn");
    ASSERT_NE(games, "");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"q.hux"},
                                                 {"-j", "2", "q.hux"},
                                                 {"-j8", "q.hux"},
                                                 {"--jobs", "3", "q.hux"},
                                                 {"--jobs=5", "--", "q.hux"}}) {
        HuxRun run = runHux(args, dir);
        EXPECT_EQ(run.out, single.out) << args[0];
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(readFile(dir + "/out.pgn"), games) << args[0];
    }
}

// The full device fails once the output's buffer (a few kilobytes: some
// thirty games) is first written out, here some ten batches into the run:
// the same marks before the message on every number of threads, and no hang.
TEST(ParallelFailures, FullDeviceMidway) {
    std::string dir = setUp(":output /dev/full :player 0000", tinyGames(250000));
    const std::string message =
        "Error: could not write the output to /dev/full: No space left on device\n";
    HuxRun single = runHux({"-j", "1", "q.hux"}, dir, 120);
    ASSERT_EQ(single.status, 1);
    ASSERT_GE(single.out.size(), message.size());
    EXPECT_EQ(single.out.substr(single.out.size() - message.size()), message);
    EXPECT_LT(single.out.find("+<100000>"), std::string::npos) << "the failure came too early";
    for (const char* jobs : {"2", "4"}) {
        HuxRun run = runHux({"-j", jobs, "q.hux"}, dir, 120);
        EXPECT_EQ(run.out, single.out) << jobs;
        EXPECT_EQ(run.status, 1);
    }
}

// Starts hux in `dir`, lets it run until it has written some games, sends
// `sig` and waits: the exit status, or -1 when it did not stop in time.
int interrupted(const std::string& dir, const char* jobs, int sig) {
    remove((dir + "/stdout.txt").c_str());
    remove((dir + "/out.pgn").c_str());
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        freopen("stdout.txt", "w", stdout);
        execl(HUX_BINARY, HUX_BINARY, "-j", jobs, "q.hux", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Until the output file holds something: the scan is under way.
    auto start = std::chrono::steady_clock::now();
    while (readFile(dir + "/stdout.txt").find("+<2000>") == std::string::npos &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid, sig);
    auto sent = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - sent > std::chrono::seconds(2)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Stopped by Ctrl+C or SIGTERM within a second or two, with whole games in
// the output file: each one with its tags, its number and its result.
TEST(ParallelFailures, SignalStopsTheRunWithWholeGames) {
    std::string dir = setUp(":output out.pgn", tinyGames(400000));
    for (const char* jobs : {"1", "2"}) {
        for (int sig : {SIGINT, SIGTERM}) {
            EXPECT_EQ(interrupted(dir, jobs, sig), 128 + sig) << jobs;
            std::string out = readFile(dir + "/out.pgn");
            size_t games = 0;
            for (size_t at = out.find("[Event "); at != std::string::npos;
                 at = out.find("[Event ", at + 1))
                games++;
            EXPECT_GE(games, 2000u);
            EXPECT_LT(games, 400000u);
            std::string whole;
            for (size_t i = 1; i <= games; i++) {
                if (i > 1) whole += "\n\n";
                whole +=
                    "[Event \"g\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White "
                    "\"W" +
                    std::to_string(i) +
                    "\"]\n[Black \"?\"]\n[Result \"1-0\"]\n\n{Original game: " + std::to_string(i) +
                    "}\n1.e4 e5 1-0\n";
            }
            // Compared by the first difference: the texts run to megabytes.
            size_t differ =
                std::mismatch(out.begin(), out.end(), whole.begin(), whole.end()).first -
                out.begin();
            EXPECT_EQ(out.size(), whole.size()) << jobs << " " << sig;
            EXPECT_EQ(out.substr(differ, 60), whole.substr(std::min(differ, whole.size()), 60))
                << jobs << " " << sig << " at " << differ;
        }
    }
}

}  // namespace
