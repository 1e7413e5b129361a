#include "scan/interruption.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> noted{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler needs a lock-free flag");

extern "C" void note(int sig) {
    noted.store(sig, std::memory_order_relaxed);
}

}  // namespace

namespace interruption {

void install() {
    struct sigaction action = {};
    action.sa_handler = note;
    // Reads restart: the single reader tells a signal from the end of its
    // input by the note alone.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int signal() {
    return noted.load(std::memory_order_relaxed);
}

void clear() {
    noted.store(0, std::memory_order_relaxed);
}

}  // namespace interruption
