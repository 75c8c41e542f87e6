#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

// $HOME, else the user's entry in the password database, else "/".
NIMBRA_FOUNDATION_API Strong<NSString> NSHomeDirectory();
// $TMPDIR, else "/tmp/"; always with a trailing '/'.
NIMBRA_FOUNDATION_API Strong<NSString> NSTemporaryDirectory();
