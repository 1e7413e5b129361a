// The games an index lets a query skip, for the index harness's check that
// none of them matches in a scan of the text.
//
// Usage: index_pruned INDEX_FILE QUERY_FILE
// Prints the numbers of the games the planner skips, one a line, and on
// standard error how many games it keeps.
#include <cstdio>
#include <memory>

#include "scan/gameindex.h"
#include "scan/indexedscan.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"

using namespace gameindex;

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: index_pruned INDEX_FILE QUERY_FILE\n");
        return 2;
    }
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::open(argv[1], nullptr, verdict);
    if (index == nullptr) {
        fprintf(stderr, "index_pruned: the index %s\n", verdictText(verdict));
        return 1;
    }
    std::unique_ptr<mfilter> read(readQueryFile(argv[2]));
    auto* query = dynamic_cast<matchFilter*>(read.get());
    if (query == nullptr) {
        fprintf(stderr, "index_pruned: %s is no match form\n", argv[2]);
        return 1;
    }
    query->expand();
    IndexedScan plan(*query, *index);
    if (plan.indexUnreadable()) {
        fprintf(stderr, "index_pruned: the index could not be read\n");
        return 1;
    }
    for (uint64_t i = 0; i < index->games(); i++)
        if (!plan.wants(i)) printf("%llu\n", (unsigned long long)(i + 1));
    fprintf(stderr, "kept %llu of %llu games\n", (unsigned long long)plan.candidates(),
            (unsigned long long)index->games());
    return 0;
}
