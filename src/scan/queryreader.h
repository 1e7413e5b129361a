// Turns a query file, or a list read from one, into the node its leading
// word names: a match form, or a lone position list. It sits above the
// filters because it builds them.
#pragma once

class mfilter;
class strlist;

// Reads the query file `name`: null when it holds no list; the node keeps
// the list tree it was built from.
mfilter* readQueryFile(const char* name);
// The node for `list`, which stays the caller's; null for a null list.
mfilter* readQueryList(strlist* list);
