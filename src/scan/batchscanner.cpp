#include "scan/batchscanner.h"

#include <cstring>

#include "core/mfile.h"
#include "core/pgnparser.h"
#include "scan/batchreader.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"

namespace {

// Every record starts with its tags, then the comment naming the game's
// number at the start of a line.
constexpr char kNumberComment[] = "\n{Original game: ";

}  // namespace

const char* BatchResult::data() const {
    return joined ? joined->data() : batch->bytes.data();
}

size_t BatchResult::size() const {
    return joined ? joined->size() : batch->bytes.size();
}

BatchScanner::BatchScanner(matchFilter& query) : query(query), step(query) {
    step.follow(game);
}

bool BatchScanner::scan(const char* data, size_t size, uint64_t index, GameNumbering& numbering,
                        const std::atomic<bool>& stop, BatchResult& out) {
    out.through = index;
    out.games = 0;
    out.found.clear();
    out.text.clear();
    out.error = nullptr;
    out.stopped = false;
    MFile input;
    input.OpenMemory(data, size, query.pgnfile);
    PgnParser parser(&input);
    const bool ranged = query.gamenumbermin > 0;
    // The count before the batch is asked again only while it is not known
    // and a number matters: for the range, or for a record.
    bool exact = false;
    long before = numbering.before(index, exact);
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        if (stop.load(std::memory_order_relaxed) || interruption::signal() != 0) {
            out.stopped = true;
            return false;
        }
        const uint32_t i = out.games++;
        if (ranged && !exact) before = numbering.before(index, exact);
        long number = before + i + 1;
        step.prepare(game, number);
        // Outside the range of game numbers only a known number lets the
        // test be skipped; the writer applies the range to the rest.
        if (ranged && exact && !wrongGuesses) {
            if (number < query.gamenumbermin) continue;
            if (number > query.gamenumbermax) {
                out.stopped = true;
                return false;
            }
        }
        GameTest::Outcome outcome;
        try {
            // A match is written with its number as known once it matched.
            outcome = step.test(game, [&] {
                if (!exact) before = numbering.before(index, exact);
                number = wrongGuesses ? (before + i + 1) * 10 + 7 : before + i + 1;
                return number;
            });
        } catch (...) {
            out.error = std::current_exception();
            out.failedGame = i;
            return false;
        }
        if (outcome == GameTest::Outcome::NoMatch) continue;
        keep(i, number, outcome == GameTest::Outcome::Matched, out);
    }
    return parser.EndedOpen();
}

void BatchScanner::keep(uint32_t i, long number, bool written, BatchResult& out) {
    FoundGame found;
    found.game = i;
    found.number = number;
    found.start = out.text.size();
    if (written) {
        out.text.append(step.text(), step.size());
    } else {
        // A record that cannot be written is an empty one, whose write the
        // writer reports as failed.
        found.digits = std::string::npos;
    }
    found.length = out.text.size() - found.start;
    const char* text = out.text.data() + found.start;
    const char* at = static_cast<const char*>(
        memmem(text, found.length, kNumberComment, sizeof kNumberComment - 1));
    if (at != nullptr) {
        found.digits = size_t(at - text) + sizeof kNumberComment - 1;
        size_t end = found.digits;
        while (end < found.length && text[end] >= '0' && text[end] <= '9') end++;
        found.numberAlone = end < found.length && text[end] == '}';
    }
    out.found.push_back(found);
}
