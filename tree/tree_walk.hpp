// The tree walk is public now (walk_chain in xmlslice.hpp); this name stays
// for the files that include it.
#include "xmlslice.hpp"
