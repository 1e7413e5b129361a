#include "scan/queryreader.h"

#include <memory>
#include <string>

#include "core/myassert.h"
#include "filter/positionfilter.h"
#include "filter/scanstate.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"
#include "scan/matchfilter.h"

mfilter* readQueryFile(const char* name) {
    std::shared_ptr<strlist> tree(strlist::parseFile(name));
    mfilter* result = readQueryList(tree.get());
    if (result == nullptr) return nullptr;
    result->tree = tree;
    if (auto* matcher = dynamic_cast<matchFilter*>(result)) matcher->queryfile = name;
    return result;
}

mfilter* readQueryList(strlist* list) {
    if (list == nullptr) return nullptr;
    ASSERT(!list->isAtom);
    strlist* first = list->car;
    util::uassert(first != nullptr, "the query's top list starts with an empty list");
    mfilter* result;
    if (first->eq("position")) {
        // A lone position list has no scan of its own: it keeps the state
        // its names were registered in.
        auto state = std::make_shared<ScanState>();
        positionFilter* position = positionFilter::fromStrlist(list->cdr, *state);
        position->loneState = state;
        result = position;
    } else if (first->eq("match")) {
        result = matchFilter::fromStrlist(list->cdr);
    } else {
        throw QueryError(std::string("unknown filter type: ") +
                         (first->isAtom ? first->atomValue : ""));
    }
    result->sourceStrlist = list;
    return result;
}
