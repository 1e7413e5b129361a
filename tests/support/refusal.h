// What a call of the query engine refuses with: the text of the QueryError
// it throws, led by "stderr: " when the text belongs on standard error and by
// the status when it is not 1; "(accepted)" when the call returns.
#pragma once

#include <string>

#include "query/queryerror.h"

template <class Call>
std::string refusal(Call&& call) {
    try {
        call();
    } catch (const QueryError& error) {
        std::string shown = error.stream() == QueryError::Stream::Err ? "stderr: " : "";
        if (error.status() != 1) shown += "status " + std::to_string(error.status()) + ": ";
        return shown + error.text();
    }
    return "(accepted)";
}
