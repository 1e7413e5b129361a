// The serial part of a parallel scan, measured apart: the CPU time of cutting
// a PGN file into batches (read included), and the CPU time of the thread
// that writes the results in order during a whole run with -j N.
//
// Usage: scan_stages QUERY_FILE [JOBS]
// Prints "cut <seconds>", "writer <seconds>" and "run <seconds>" (the whole
// process's CPU time of the run), one per line.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "query/mfilter.h"
#include "scan/batchreader.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"
#include "scan/scanrun.h"

namespace {

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double processSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::unique_ptr<matchFilter> readQuery(const char* name) {
    return std::unique_ptr<matchFilter>(dynamic_cast<matchFilter*>(readQueryFile(name)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: scan_stages QUERY_FILE [JOBS]\n");
        return 2;
    }
    std::unique_ptr<matchFilter> query = readQuery(argv[1]);
    if (!query || !query->pgnfile) {
        fprintf(stderr, "scan_stages: the query names no PGN file\n");
        return 2;
    }

    int input = open(query->pgnfile, O_RDONLY);
    if (input < 0) {
        perror(query->pgnfile);
        return 1;
    }
    std::atomic<bool> stop{false};
    double start = threadSeconds();
    BatchReader reader(input, ParallelOptions().batchSize, stop);
    size_t batches = 0;
    while (reader.next() != nullptr) batches++;
    double cut = threadSeconds() - start;
    close(input);

    // The run's progress goes where the caller's standard error does not.
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    ScanSettings settings;
    settings.jobs = argc > 2 ? atoi(argv[2]) : 2;
    double before = processSeconds();
    start = threadSeconds();
    int status = runScan(*query, settings);
    double writer = threadSeconds() - start;
    double run = processSeconds() - before;
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    printf("batches %zu\ncut %.3f\nwriter %.3f\nrun %.3f\n", batches, cut, writer, run);
    return status;
}
