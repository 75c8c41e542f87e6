#include "Preferences/PSViewController.h"

#include "Preferences/PSAllocation.h"

OBJC_CLASS_IMPL(PSViewController) {
  objc::registerAlloc<PSViewController>(cls);
}
