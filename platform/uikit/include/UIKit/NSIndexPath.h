// A row in a section of a table: Foundation's index path, whose index 0 is the section
// and index 1 the row.
#pragma once

#include "Foundation/NSIndexPath.h"
