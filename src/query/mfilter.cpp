#include "query/mfilter.h"

#include <cstdio>
#include <cstdlib>

#include "core/myassert.h"
#include "query/matchfilter.h"
#include "query/strlist.h"
#include "query/util.h"

bool mfilter::match(Game*) {
    _MyAssert(__FILE__, __LINE__);
}

mfilter* mfilter::fromFile(const char* name) {
    return fromStrlist(strlist::parseFile(name));
}

mfilter* mfilter::fromStrlist(strlist* list) {
    if (list == nullptr) return nullptr;
    ASSERT(!list->isAtom);
    strlist* first = list->car;
    util::uassert(first != nullptr, "the query's top list starts with an empty list");
    util::uassert(!first->eq("position"), "(position ...) lists are not supported yet");
    if (!first->eq("match")) {
        printf("unknown filter type: %s", first->isAtom ? first->atomValue : "");
        exit(1);
    }
    mfilter* result = matchFilter::fromStrlist(list->cdr);
    result->sourceStrlist = list;
    return result;
}
