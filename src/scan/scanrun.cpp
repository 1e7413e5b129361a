#include "scan/scanrun.h"

#include <sched.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "query/queryerror.h"
#include "query/querywarning.h"
#include "query/strlist.h"
#include "query/util.h"
#include "scan/gametest.h"
#include "scan/indexedscan.h"
#include "scan/inputsource.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/resultwriter.h"

namespace {

// The scan on the calling thread: one reader over the whole file.
ScanEnd scanSerially(matchFilter& query, MFile& pgn, ResultWriter& writer) {
    PgnParser parser(&pgn);
    Game game;
    GameTest step(query);
    step.follow(game);
    long n = 0;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        if (interruption::signal() != 0) return ScanEnd::Interrupted;
        n++;
        step.prepare(game, n);
        if (query.state.debug && (n <= 49 || n % 100 == 0)) printf("eg: Matching game: %ld\n", n);
        writer.progress(n);
        if (query.gamenumbermin > 0) {
            if (n < query.gamenumbermin) continue;
            if (n > query.gamenumbermax) break;
        }
        GameTest::Outcome outcome = step.test(game, n);
        if (outcome == GameTest::Outcome::NoMatch) continue;
        if (outcome == GameTest::Outcome::Unwritable || !writer.write(n, step.text(), step.size()))
            return ScanEnd::WriteFailed;
    }
    // A signal may have ended a read early: the input was not read whole.
    return interruption::signal() != 0 ? ScanEnd::Interrupted : ScanEnd::Done;
}

// Expanded copies of the query, one for each worker thread.
std::vector<std::unique_ptr<matchFilter>> workerQueries(const matchFilter& query, int jobs) {
    std::vector<std::unique_ptr<matchFilter>> workers;
    for (int i = 0; i < jobs; i++) {
        workers.push_back(copyQuery(query));
        workers.back()->expand();
    }
    // Reading the copies noted where they were read: errors of the run
    // concern no word of the query.
    strlist::forgetPlace();
    return workers;
}

[[noreturn]] void cannotOpen(const char* pgnfile, int cause) {
    throw QueryError(std::string("matchFilter::match could not open file: ") + pgnfile + "\n")
        .withCause(cause);
}

// The query's games as text, refused before anything is written when they
// are not PGN text.
std::unique_ptr<InputSource> openInput(const char* pgnfile) {
    errno = 0;
    std::unique_ptr<InputSource> input = InputSource::open(pgnfile);
    if (input == nullptr) cannotOpen(pgnfile, errno);
    if (!input->refusal().empty()) {
        std::string message = input->shownName() + " is " + input->refusal();
        input.reset();
        util::uassert(false, message.c_str());
    }
    return input;
}

}  // namespace

int availableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    int n = CPU_COUNT(&set);
    return n > 0 ? n : 1;
}

std::unique_ptr<matchFilter> copyQuery(const matchFilter& query) {
    ASSERT(query.sourceStrlist != nullptr && query.sourceStrlist->car->eq("match"));
    // Whatever the reading warns of (an old keyword), it said so when the
    // query itself was read. The list was read once already, so it reads the
    // same way again.
    querywarning::Silence quiet;
    std::unique_ptr<matchFilter> copy(matchFilter::fromStrlist(query.sourceStrlist->cdr));
    copy->sourceStrlist = query.sourceStrlist;
    copy->tree = query.tree;
    copy->queryfile = query.queryfile;
    copy->state.debug = query.state.debug;
    return copy;
}

int runScan(matchFilter& query, const ScanSettings& settings) {
    if (query.pgnfile == nullptr) throw QueryError("no pgn file specified");
    query.expand();
    printf("Attempting to open file: %s.\n", query.pgnfile);
    std::unique_ptr<InputSource> input = openInput(query.pgnfile);
    ResultWriter writer(query.outputfile, query.pgnfile, query.queryfile);
    writer.open();
    // The debugging trace is printed as games are tested, between the marks.
    if (query.state.debug) writer.holdMarks(false);

    // An up-to-date index spares reading the games that cannot match; it is
    // used unless a scan of the whole text on every core would be faster.
    std::unique_ptr<gameindex::GameIndex> index;
    std::unique_ptr<IndexedScan> indexed;
    if (settings.useIndex && !query.state.debug && strcmp(query.pgnfile, "-") != 0) {
        // The plan is made as the index is checked, in the same read of it.
        indexed = std::make_unique<IndexedScan>(query);
        const gameindex::SignatureVisitor planner = indexed->planner();
        index = usableIndex(query.pgnfile, settings.indexDir, &planner, settings.jobs);
        if (index == nullptr)
            indexed.reset();
        else
            indexed->use(*index);
        if (indexed != nullptr && settings.jobs > 1 && !settings.alwaysIndexed &&
            indexed->candidates() * uint64_t(settings.jobs) >= indexed->games())
            indexed.reset();
    }

    // The debugging trace is printed while games are tested: only one thread
    // keeps it in order.
    ScanEnd end;
    if (indexed != nullptr) {
        std::vector<std::unique_ptr<matchFilter>> workers;
        if (settings.jobs > 1) workers = workerQueries(query, settings.jobs);
        end = indexed->run(*input, writer, std::move(workers));
        // Cut while in use, after games were written: the run cannot go on
        // from the index, and does not pass for complete.
        if (indexed->indexUnreadable()) {
            writer.close();
            throw QueryError("\nError: the index of " + input->shownName() +
                             " could not be read whole while in use: run the query again "
                             "(hux --no-index reads the games' text alone)\n");
        }
        if (indexed->readError() != 0) {
            writer.close();
            throw QueryError("\nError: " + input->shownName() +
                             " could not be read: " + strerror(indexed->readError()) + "\n");
        }
    } else if (settings.jobs <= 1 || query.state.debug) {
        MFile pgn;
        pgn.OpenStream(input->stream(), query.pgnfile);
        end = scanSerially(query, pgn, writer);
    } else {
        ParallelScan scan(query, workerQueries(query, settings.jobs), writer, settings.parallel);
        int text = input->descriptor();
        if (text < 0) cannotOpen(query.pgnfile, errno);
        try {
            end = scan.run(text);
            if (scan.readError() != 0) input->readFailed(scan.readError());
        } catch (...) {
            writer.close();
            throw;
        }
    }
    query.nmatches = writer.matches();
    if (end == ScanEnd::Interrupted) {
        writer.close();
        return 128 + interruption::signal();
    }
    // Damage stops the reading like an end would: the games before it are
    // written, and the run fails.
    // A run that stopped at the last game it wanted is not hurt by damage
    // further on.
    bool stoppedEarly = query.gamenumbermin > 0 && writer.gamesRead() > query.gamenumbermax;
    // The text an index was built from was read whole then, and is the same.
    std::string damage = end == ScanEnd::Done && !stoppedEarly && indexed == nullptr
                             ? input->damage()
                             : std::string();
    if (!damage.empty()) {
        bool closed = writer.close();
        long games = writer.gamesRead();
        std::string message =
            "\nError: " + input->shownName() + " " + damage + ": " +
            (games > 0 ? "the last game read whole was game " + std::to_string(games) + "\n"
                       : std::string("no game was read whole\n"));
        if (!closed) message += writer.failure();
        throw QueryError(message);
    }
    if (end == ScanEnd::Done && writer.close()) {
        writer.summary();
        return 0;
    }
    throw QueryError(writer.failure());
}
