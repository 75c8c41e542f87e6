#include "Preferences/PSViewController.h"

#include "Preferences/PSAllocation.h"

OBJC_CLASS_IMPL(PSViewController) {
  PSRegisterAlloc<PSViewController>(cls);
}
