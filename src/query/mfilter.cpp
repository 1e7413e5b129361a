#include "query/mfilter.h"

#include <cstdio>
#include <memory>
#include <string>

#include "core/myassert.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"

bool mfilter::match(Game*) {
    _MyAssert(__FILE__, __LINE__);
}
