// A plug-in with class-load steps and initialisers of every kind, each recording itself
// through the loading program. The subclass comes first in the file, so its step is added
// first; the runtime must still run the superclass's before it.
#include <string>

#include "objc/NSObject.h"

extern "C" void objcTestRecord(const char* step);

namespace {

class LoadBase : public NSObject {
  OBJC_CLASS(LoadBase, NSObject)
};
class LoadDerived : public LoadBase {
  OBJC_CLASS(LoadDerived, LoadBase)
};

int derivedAnswer(NSObject*, SEL) {
  return 42;
}

struct StaticObject {
  StaticObject() { objcTestRecord("static constructor"); }
} staticObject;

}  // namespace

OBJC_CLASS_IMPL(LoadDerived) {}
OBJC_CLASS_LOAD(LoadDerived) {
  // The class is usable here: its name and chain are registered, its table open.
  objcTestRecord(class_getName(class_getSuperclass(cls)) == std::string("LoadBase")
                     ? "load LoadDerived"
                     : "load LoadDerived without its superclass");
  class_addMethod(cls, sel_registerName("loadAnswer"), objc::method<&derivedAnswer>());
}

OBJC_CLASS_IMPL(LoadBase) {}
OBJC_CLASS_LOAD(LoadBase) {
  objcTestRecord("load LoadBase");
}

__attribute__((constructor(101))) static void earliestInitialiser() {
  objcTestRecord("initialiser 101");
}
