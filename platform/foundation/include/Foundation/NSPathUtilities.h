#pragma once

#include "Foundation/NSObjCRuntime.h"

class NSString;

// $HOME, else the user's entry in the password database, else "/".
Strong<NSString> NSHomeDirectory();
// $TMPDIR, else "/tmp/"; always with a trailing '/'.
Strong<NSString> NSTemporaryDirectory();
