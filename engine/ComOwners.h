#pragma once
// The owners live in layout/Owners.h; this name stays until every includer
// has moved.
#include "layout/Owners.h"
