// Position lists read from text in tests, as the engine reads them from a
// query file; the list trees and filters live until the test program ends.
#pragma once

#include <string>

class ScanState;
class positionFilter;

// The filter of "(position <words>)".
positionFilter* parsePosition(const std::string& words, ScanState& state);
