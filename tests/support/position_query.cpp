#include "position_query.h"

#include <cstdio>

#include "filter/positionfilter.h"
#include "filter/scanstate.h"
#include "owned.h"
#include "query/strlist.h"

positionFilter* parsePosition(const std::string& words, ScanState& state) {
    std::string text = "(position " + words + ")";
    FILE* in = fmemopen(text.data(), text.size(), "r");
    strlist* tree = owned(strlist::parseStream(in));
    fclose(in);
    return owned(positionFilter::fromStrlist(tree->cdr, state));
}
