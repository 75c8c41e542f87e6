#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "objc/NSException.h"
#include "objc/NSObject.h"
#include "objc/report.h"

namespace {

class Animal : public NSObject {
  OBJC_CLASS(Animal, NSObject)
 public:
  std::string speak() { return "..."; }
  int legs() const { return 4; }
};

class Dog : public Animal {
  OBJC_CLASS(Dog, Animal)
};

// Sends a message to itself while its base part is being built.
class Builder : public NSObject {
  OBJC_CLASS(Builder, NSObject)
 public:
  Builder() : kindWhileBuilding(objc_msgSend<int>(this, OBJC_SEL("kind"))) {}
  int kindWhileBuilding;
};
class FinishedBuilder : public Builder {
  OBJC_CLASS(FinishedBuilder, Builder)
};
// No runtime class of its own: it answers as a FinishedBuilder.
class PlainBuilder : public FinishedBuilder {};

int answerOne(NSObject*, SEL) {
  return 1;
}
int answerTwo(NSObject*, SEL) {
  return 2;
}
int answerThree(NSObject*, SEL) {
  return 3;
}

}  // namespace

OBJC_CLASS_IMPL(Animal) {
  class_addMethod(cls, OBJC_SEL("speak"), objc::imp<&Animal::speak>(), "@@:");
  class_addMethod(cls, OBJC_SEL("legs"), objc::imp<&Animal::legs>(), "i@:");
}
OBJC_CLASS_IMPL(Dog) {}
OBJC_CLASS_IMPL(Builder) {
  class_addMethod(cls, OBJC_SEL("kind"), objc::imp<&answerOne>(), "i@:");
}
OBJC_CLASS_IMPL(FinishedBuilder) {
  class_addMethod(cls, OBJC_SEL("kind"), objc::imp<&answerTwo>(), "i@:");
}

std::vector<std::string> recorded;
extern "C" void objcTestRecord(const char* step) {
  recorded.push_back(step);
}

TEST(Runtime, ClassesAreFoundByNameWithTheirChain) {
  EXPECT_EQ(objc_getClass("Dog"), Dog::class_());
  EXPECT_EQ(class_getSuperclass(Dog::class_()), Animal::class_());
  EXPECT_EQ(class_getSuperclass(Animal::class_()), NSObject::class_());
  EXPECT_EQ(class_getSuperclass(NSObject::class_()), nullptr);
  EXPECT_EQ(objc_getClass("NoSuchClass"), nullptr);
  EXPECT_STREQ(class_getName(nullptr), "nil");
}

TEST(Runtime, SelectorsAreInterned) {
  EXPECT_EQ(sel_registerName("attributedLabel:didSelectLinkWithURL:"),
            sel_registerName(std::string("attributedLabel:") + "didSelectLinkWithURL:"));
  EXPECT_NE(sel_registerName("a"), sel_registerName("b"));
  EXPECT_STREQ(sel_getName(OBJC_SEL("hasBadge")), "hasBadge");
}

// Threads registering names at once, each its own and all of them a shared set, across
// more selectors than a slab holds: every name has one selector, which keeps its name.
TEST(Runtime, SelectorsRegisteredConcurrentlyAreOneEachAndKeepTheirNames) {
  constexpr int kThreads = 4, kNames = 700;
  std::vector<std::vector<SEL>> own(kThreads), shared(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int k = 0; k < kNames; ++k) {
        own[t].push_back(sel_registerName("own" + std::to_string(t) + "_" + std::to_string(k)));
        shared[t].push_back(sel_registerName("shared_" + std::to_string(k)));
      }
    });
  for (auto& thread : threads) thread.join();
  std::vector<SEL> all;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(shared[t], shared[0]) << t;
    for (int k = 0; k < kNames; ++k) {
      EXPECT_EQ(sel_getName(own[t][k]), "own" + std::to_string(t) + "_" + std::to_string(k));
      EXPECT_EQ(own[t][k], sel_registerName(sel_getName(own[t][k])));
    }
    all.insert(all.end(), own[t].begin(), own[t].end());
  }
  for (int k = 0; k < kNames; ++k)
    EXPECT_EQ(sel_getName(shared[0][k]), "shared_" + std::to_string(k));
  all.insert(all.end(), shared[0].begin(), shared[0].end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());  // no two names share one
}

TEST(Runtime, KindAndRespondsTo) {
  auto dog = std::make_shared<Dog>();
  EXPECT_TRUE(dog->isKindOfClass(Animal::class_()));
  EXPECT_TRUE(dog->isKindOfClass(Dog::class_()));
  EXPECT_FALSE(dog->isMemberOfClass(Animal::class_()));
  EXPECT_FALSE(dog->isKindOfClass(nullptr));
  auto animal = std::make_shared<Animal>();
  EXPECT_FALSE(animal->isKindOfClass(Dog::class_()));
  EXPECT_TRUE(dog->respondsToSelector(OBJC_SEL("legs")));
  EXPECT_FALSE(dog->respondsToSelector(OBJC_SEL("fly")));
  EXPECT_FALSE(dog->respondsToSelector(nullptr));
}

namespace {
// An object answering a class made at run time, as decoded placeholders do.
class OfRuntimeClass : public Dog {
 public:
  explicit OfRuntimeClass(Class cls) : cls_(cls) { keepClass(cls); }
  Class getClass() const override { return cls_; }

 private:
  Class cls_;
};
}  // namespace

TEST(Runtime, ClassTestsReadTheClassEachObjectKeeps) {
  // Every level of construction keeps its class; the most derived one stays, and one
  // without a runtime class of its own answers as its nearest ancestor.
  Strong<NSObject> objects[] = {std::make_shared<NSObject>(), std::make_shared<Animal>(),
                                std::make_shared<Dog>(), std::make_shared<PlainBuilder>()};
  Class classes[] = {NSObject::class_(), Animal::class_(), Dog::class_(), Builder::class_(),
                     FinishedBuilder::class_()};
  for (const auto& o : objects) {
    for (Class c : classes) {
      EXPECT_EQ(o->isKindOfClass(c), class_isSubclassOf(o->getClass(), c))
          << class_getName(o->getClass()) << " against " << class_getName(c);
    }
  }
  EXPECT_TRUE(objects[3]->isKindOfClass(FinishedBuilder::class_()));
  EXPECT_FALSE(objects[1]->isKindOfClass(Dog::class_()));

  // Deeper than the class it is tested against, and a class test across branches.
  Class puppy = objc_allocateClassPair(Dog::class_(), "KeptPuppy");
  Class kitten = objc_allocateClassPair(Animal::class_(), "KeptKitten");
  auto stand = std::make_shared<OfRuntimeClass>(puppy);
  EXPECT_TRUE(stand->isKindOfClass(puppy));
  EXPECT_TRUE(stand->isKindOfClass(Animal::class_()));
  EXPECT_FALSE(stand->isKindOfClass(kitten));
  EXPECT_TRUE(stand->isMemberOfClass(puppy));
  EXPECT_EQ(objc_cast<Dog>(static_cast<NSObject*>(stand.get())), stand.get());
  EXPECT_EQ(objc_cast<Dog>(static_cast<NSObject*>(objects[1].get())), nullptr);
}

TEST(Runtime, MessagesGoThroughTheTable) {
  auto dog = std::make_shared<Dog>();
  EXPECT_EQ(objc_msgSend<int>(dog, OBJC_SEL("legs")), 4);
  EXPECT_EQ(objc_msgSend<std::string>(dog, OBJC_SEL("speak")), "...");
  // A message to none answers zero; an unknown selector raises.
  EXPECT_EQ(objc_msgSend<int>(Strong<Dog>(), OBJC_SEL("legs")), 0);
  try {
    objc_msgSend(dog, OBJC_SEL("fly"));
    FAIL() << "no exception";
  } catch (const NSException& e) {
    EXPECT_EQ(e.name(), NSInvalidArgumentException);
    EXPECT_NE(e.reason().find("-[Dog fly]"), std::string::npos);
  }
}

namespace {

// The same two methods put in the table both ways: as members and as free functions.
class Keeper : public NSObject {
  OBJC_CLASS(Keeper, NSObject)
 public:
  NSObject* keep(NSObject* other) {
    kept = other;
    return other;
  }
  int scaled(int x) const { return x * factor; }
  NSObject* kept = nullptr;
  int factor = 3;
};

NSObject* keepFree(NSObject* self, SEL, NSObject* other) {
  static_cast<Keeper*>(self)->kept = other;
  return other;
}
int scaledFree(NSObject* self, SEL, int x) {
  return x * static_cast<Keeper*>(self)->factor;
}

}  // namespace

OBJC_CLASS_IMPL(Keeper) {
  class_addMethod(cls, OBJC_SEL("keep:"), objc::imp<&Keeper::keep>(), "@@:@");
  class_addMethod(cls, OBJC_SEL("keepFree:"), objc::imp<&keepFree>(), "@@:@");
  class_addMethod(cls, OBJC_SEL("scaled:"), objc::imp<&Keeper::scaled>(), "i@:i");
  class_addMethod(cls, OBJC_SEL("scaledFree:"), objc::imp<&scaledFree>(), "i@:i");
}

TEST(Runtime, MemberAndFreeImplementationsAnswerAlike) {
  auto keeper = std::make_shared<Keeper>();
  auto other = std::make_shared<NSObject>();
  const long owners = other.use_count();
  for (const char* name : {"keep:", "keepFree:"}) {
    SEL sel = sel_registerName(name);
    keeper->kept = nullptr;
    EXPECT_EQ(objc_msgSend<NSObject*>(keeper, sel, other.get()), other.get()) << name;
    EXPECT_EQ(keeper->kept, other.get()) << name;
    keeper->kept = nullptr;
    IMP imp = class_getMethodImplementation(Keeper::class_(), sel);
    EXPECT_EQ(objc_callImp<NSObject*>(imp, keeper.get(), sel, other.get()), other.get()) << name;
    EXPECT_EQ(keeper->kept, other.get()) << name;
    // A borrowed argument is the sender's object itself, and nobody took a reference.
    EXPECT_EQ(other.use_count(), owners) << name;
    EXPECT_EQ(objc_msgSend<NSObject*>(keeper, sel, static_cast<NSObject*>(nullptr)), nullptr);
    EXPECT_EQ(keeper->kept, nullptr) << name;
  }
  for (const char* name : {"scaled:", "scaledFree:"}) {
    SEL sel = sel_registerName(name);
    EXPECT_EQ(objc_msgSend<int>(keeper, sel, 7), 21) << name;
    IMP imp = class_getMethodImplementation(Keeper::class_(), sel);
    EXPECT_EQ(objc_callImp<int>(imp, keeper.get(), sel, -2), -6) << name;
  }
  // Each way gives one IMP per function, so a hook's saved original compares equal.
  EXPECT_EQ(class_getMethodImplementation(Keeper::class_(), OBJC_SEL("keep:")),
            objc::imp<&Keeper::keep>());
  EXPECT_EQ(class_getMethodImplementation(Keeper::class_(), OBJC_SEL("keepFree:")),
            objc::imp<&keepFree>());
}

TEST(Runtime, AddMethodNeverReplacesAndIsInherited) {
  Class base = objc_allocateClassPair(NSObject::class_(), "AddBase");
  Class sub = objc_allocateClassPair(base, "AddSub");
  SEL sel = sel_registerName("value");
  EXPECT_TRUE(class_addMethod(base, sel, objc::imp<&answerOne>(), "i@:"));
  EXPECT_FALSE(class_addMethod(base, sel, objc::imp<&answerTwo>(), "i@:"));
  EXPECT_EQ(class_getMethodImplementation(sub, sel), objc::imp<&answerOne>());
  // The subclass may add its own, overriding the inherited one.
  EXPECT_TRUE(class_addMethod(sub, sel, objc::imp<&answerTwo>(), "i@:"));
  EXPECT_EQ(class_getMethodImplementation(sub, sel), objc::imp<&answerTwo>());
  EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(sub, sel)), "i@:");
  EXPECT_FALSE(class_addMethod(nullptr, sel, objc::imp<&answerOne>(), "i@:"));
  EXPECT_EQ(class_getMethodImplementation(sub, sel_registerName("missing")), nullptr);
  EXPECT_EQ(method_getTypeEncoding(nullptr), nullptr);
}

TEST(Runtime, ReplaceMethodReturnsThePreviousOwnImplementation) {
  Class base = objc_allocateClassPair(NSObject::class_(), "ReplaceBase");
  Class sub = objc_allocateClassPair(base, "ReplaceSub");
  SEL sel = sel_registerName("value");
  class_addMethod(base, sel, objc::imp<&answerOne>(), "i@:");
  // Only inherited: the subclass gains its own method, nothing is returned.
  EXPECT_EQ(class_replaceMethod(sub, sel, objc::imp<&answerTwo>(), "i@:"), nullptr);
  EXPECT_EQ(class_getMethodImplementation(base, sel), objc::imp<&answerOne>());
  EXPECT_EQ(class_replaceMethod(sub, sel, objc::imp<&answerOne>(), "i@:"), objc::imp<&answerTwo>());
}

namespace {
IMP origSpeak = nullptr;
std::string hookedSpeak(NSObject* self, SEL cmd) {
  return objc_callImp<std::string>(origSpeak, self, cmd) + "!";
}
}  // namespace

TEST(Runtime, HookRunsReplacementAndSlotRunsInheritedOriginal) {
  Class cls = objc_allocateClassPair(Animal::class_(), "HookedPup");
  MSHookMessageEx(cls, OBJC_SEL("speak"), objc::imp<&hookedSpeak>(), &origSpeak);
  ASSERT_EQ(origSpeak, objc::imp<&Animal::speak>());
  // The subclass now answers with the replacement; the superclass is untouched.
  EXPECT_EQ(objc_callImp<std::string>(class_getMethodImplementation(cls, OBJC_SEL("speak")),
                                      nullptr, OBJC_SEL("speak")),
            "...!");
  auto animal = std::make_shared<Animal>();
  EXPECT_EQ(objc_msgSend<std::string>(animal, OBJC_SEL("speak")), "...");
}

namespace {
IMP origOwn = nullptr;
int calls = 0;
int ownValue(NSObject*, SEL) {
  return 10;
}
int hookedValue(NSObject* self, SEL cmd) {
  ++calls;
  return objc_callImp<int>(origOwn, self, cmd) + 1;
}
}  // namespace

TEST(Runtime, HookOnOwnMethodKeepsTheOwnOriginal) {
  Class cls = objc_allocateClassPair(NSObject::class_(), "HookOwn");
  SEL sel = sel_registerName("ownValue");
  class_addMethod(cls, sel, objc::imp<&ownValue>(), "i@:");
  MSHookMessageEx(cls, sel, objc::imp<&hookedValue>(), &origOwn);
  EXPECT_EQ(origOwn, objc::imp<&ownValue>());
  EXPECT_EQ(objc_callImp<int>(class_getMethodImplementation(cls, sel), nullptr, sel), 11);
  EXPECT_EQ(calls, 1);
  // Missing class or selector: nothing happens, the slot is emptied.
  IMP slot = objc::imp<&ownValue>();
  MSHookMessageEx(nullptr, sel, objc::imp<&hookedValue>(), &slot);
  EXPECT_EQ(slot, nullptr);
  MSHookMessageEx(cls, nullptr, objc::imp<&hookedValue>(), nullptr);
}

TEST(Loader, InitialisersRunOnceInDeclaredOrder) {
  recorded.clear();
  ASSERT_TRUE(objc_loadPlugin(TEST_PLUGIN));
  ASSERT_TRUE(objc_loadPlugin(TEST_PLUGIN));
  EXPECT_EQ(recorded, (std::vector<std::string>{"first", "second", "third"}));
  std::string error;
  EXPECT_FALSE(objc_loadPlugin("/nonexistent/Nimbra.dylib", &error));
  EXPECT_FALSE(error.empty());
}

TEST(Loader, LoadStepsRunOnceSuperclassFirstBeforeTheLibrarysInitialisers) {
  recorded.clear();
  ASSERT_TRUE(objc_loadPlugin(LOAD_PLUGIN));
  ASSERT_TRUE(objc_loadPlugin(LOAD_PLUGIN));
  objc_runPendingLoadSteps();  // nothing left to run
  EXPECT_EQ(recorded, (std::vector<std::string>{"load LoadBase", "load LoadDerived",
                                                "initialiser 101", "static constructor"}));
  // What a step put in its class's table stays there.
  Class derived = objc_getClass("LoadDerived");
  ASSERT_NE(derived, nullptr);
  IMP answer = class_getMethodImplementation(derived, sel_registerName("loadAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(objc_callImp<int>(answer, nullptr, nullptr), 42);
}

namespace {
int addedSteps = 0;
void countingStep(Class) {
  ++addedSteps;
}
}  // namespace

TEST(Loader, AStepAddedTwiceRunsOnce) {
  Class cls = objc_allocateClassPair(NSObject::class_(), "LoadTwice");
  objc_addLoadStep(cls, &countingStep);
  objc_addLoadStep(cls, &countingStep);
  objc_addLoadStep(nullptr, &countingStep);
  objc_addLoadStep(cls, nullptr);
  objc_runPendingLoadSteps();
  objc_addLoadStep(cls, &countingStep);
  objc_runPendingLoadSteps();
  EXPECT_EQ(addedSteps, 1);
}

namespace {
class Tracked : public NSObject {
 public:
  explicit Tracked(std::atomic<int>* destroyed) : destroyed_(destroyed) {}
  ~Tracked() override {
    alive_ = 0;
    destroyed_->fetch_add(1);
  }
  int alive() const { return alive_.load(); }

 private:
  std::atomic<int> alive_{1};
  std::atomic<int>* destroyed_;
};
}  // namespace

// A task on another thread promotes its weak reference while the owner lets go: it either
// gets an object that stays whole while it holds it, or none; never a dying one.
TEST(Weak, PromotionRacesTheLastRelease) {
  constexpr int kRounds = 300;
  std::atomic<int> destroyed{0};
  int promoted = 0, missed = 0, broken = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto owner = std::make_shared<Tracked>(&destroyed);
    Weak<Tracked> weak = owner;
    std::atomic<bool> go{false};
    std::thread task([&, weak] {
      while (!go.load()) {
      }
      if (Strong<Tracked> held = weak.lock()) {
        ++promoted;
        // Held: the owner's release must not destroy it under us.
        for (int i = 0; i < 50; ++i) broken += held->alive() != 1;
      } else {
        ++missed;
      }
    });
    go = true;
    owner.reset();
    task.join();
    EXPECT_TRUE(weak.expired());
  }
  EXPECT_EQ(broken, 0);
  EXPECT_EQ(promoted + missed, kRounds);
  EXPECT_EQ(destroyed.load(), kRounds);  // each exactly once, whoever let go last
}

namespace {
IMP origCached = nullptr;
std::string loudSpeak(NSObject* self, SEL cmd) {
  return objc_callImp<std::string>(origCached, self, cmd) + "?";
}
}  // namespace

TEST(Runtime, SendsSeeHooksInstalledAfterEarlierSends) {
  Class cls = objc_allocateClassPair(Animal::class_(), "CachedPup");
  auto pup = std::make_shared<Animal>();
  // A sent message is cached per thread; a later hook must still take effect everywhere.
  EXPECT_EQ(objc_msgSend<std::string>(pup, OBJC_SEL("speak")), "...");
  MSHookMessageEx(Animal::class_(), OBJC_SEL("speak"), objc::imp<&loudSpeak>(), &origCached);
  EXPECT_EQ(objc_msgSend<std::string>(pup, OBJC_SEL("speak")), "...?");
  std::string fromThread;
  std::thread([&] { fromThread = objc_msgSend<std::string>(pup, OBJC_SEL("speak")); }).join();
  EXPECT_EQ(fromThread, "...?");
  // Put the original back so the other tests see the class as it was.
  class_replaceMethod(Animal::class_(), OBJC_SEL("speak"), origCached, "@@:");
  EXPECT_EQ(objc_msgSend<std::string>(pup, OBJC_SEL("speak")), "...");
  EXPECT_EQ(class_getSuperclass(cls), Animal::class_());
}

TEST(Runtime, ConcurrentSendsWhileMethodsChange) {
  Class cls = objc_allocateClassPair(NSObject::class_(), "Busy");
  SEL sel = sel_registerName("busyValue");
  class_addMethod(cls, sel, objc::imp<&answerOne>(), "i@:");
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 3; ++t) {
    senders.emplace_back([&] {
      while (!stop.load()) {
        int v = objc_callImp<int>(class_getMethodImplementation(cls, sel), nullptr, sel);
        if (v != 1 && v != 2) bad.fetch_add(1);
      }
    });
  }
  for (int i = 0; i < 300; ++i) {
    class_replaceMethod(cls, sel, i % 2 ? objc::imp<&answerOne>() : objc::imp<&answerTwo>(), "i@:");
  }
  stop = true;
  for (auto& s : senders) s.join();
  EXPECT_EQ(bad.load(), 0);
}

// Sends are cached by the receiver's C++ type: the answer must follow the class that type
// has at the moment of the send, whichever types were sent to before.
TEST(Runtime, SendsAnswerByTheReceiversClassAtTheTimeOfTheSend) {
  for (int round = 0; round < 2; ++round) {  // the second round runs on a warm cache
    auto finished = std::make_shared<FinishedBuilder>();
    EXPECT_EQ(finished->kindWhileBuilding, 1) << round;
    EXPECT_EQ(objc_msgSend<int>(finished, OBJC_SEL("kind")), 2) << round;
    auto plain = std::make_shared<PlainBuilder>();
    EXPECT_EQ(plain->kindWhileBuilding, 1) << round;
    EXPECT_EQ(objc_msgSend<int>(plain, OBJC_SEL("kind")), 2) << round;
    EXPECT_EQ(objc_msgSend<int>(std::make_shared<Builder>(), OBJC_SEL("kind")), 1) << round;
  }
}

namespace {
// Three threads send while this one replaces `sel` on Animal 300 times, alternating `a` and
// `b`, and then with answerThree. `answerIsValid` judges each answer a sender gets, and
// `seesTheLast` what it gets once the replacements are over.
struct RaceResult {
  int bad;
  int sawFinal;
};
template <class Send, class Last>
RaceResult sendWhileReplacing(SEL sel, IMP a, IMP b, Send answerIsValid, Last seesTheLast) {
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0}, sawFinal{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 3; ++t) {
    senders.emplace_back([&] {
      while (!stop.load()) {
        if (!answerIsValid()) bad.fetch_add(1);
      }
      if (seesTheLast()) sawFinal.fetch_add(1);
    });
  }
  for (int i = 0; i < 300; ++i) class_replaceMethod(Animal::class_(), sel, i % 2 ? a : b, "i@:");
  class_replaceMethod(Animal::class_(), sel, objc::imp<&answerThree>(), "i@:");
  stop = true;
  for (auto& s : senders) s.join();
  return {bad.load(), sawFinal.load()};
}
}  // namespace

// Sends through the per-thread caches while another thread changes the method: every
// answer is one of the implementations, and once the change is made every thread sees it.
TEST(Runtime, CachedSendsSeeConcurrentChanges) {
  Class cls = objc_allocateClassPair(Animal::class_(), "BusySender");
  SEL sel = sel_registerName("busySenderValue");
  class_addMethod(cls, sel, objc::imp<&answerOne>(), "i@:");
  class_addMethod(Animal::class_(), sel, objc::imp<&answerOne>(), "i@:");
  auto dog = std::make_shared<Dog>();  // Dog's chain does not include the new class
  RaceResult race = sendWhileReplacing(
      sel, objc::imp<&answerOne>(), objc::imp<&answerTwo>(),
      [&] {
        int v = objc_msgSend<int>(dog, sel);
        IMP imp = class_getMethodImplementation(Dog::class_(), sel);
        bool known = imp == objc::imp<&answerOne>() || imp == objc::imp<&answerTwo>() ||
                     imp == objc::imp<&answerThree>();
        return v >= 1 && v <= 3 && known;  // the last change may land before the stop
      },
      [&] { return objc_msgSend<int>(dog, sel) == 3; });
  EXPECT_EQ(race.bad, 0);
  EXPECT_EQ(race.sawFinal, 3);
  EXPECT_EQ(class_getSuperclass(cls), Animal::class_());
}

namespace {
int sendFromOneSite(NSObject* self, SEL sel) {
  return objc_msgSend<int>(self, sel);
}
}  // namespace

// A send, and the lookups by class, find the method again once any table changed, and a
// method found missing (cached as none) is found once it is added.
TEST(Runtime, CachedAnswersFollowEachChange) {
  SEL sel = sel_registerName("repeatedValue");
  auto dog = std::make_shared<Dog>();
  // Found missing, then answered from the cache: each send raises, each lookup is none.
  for (int again = 0; again < 3; ++again) {
    EXPECT_THROW(sendFromOneSite(dog.get(), sel), NSException);
    EXPECT_EQ(objc::lookUpImp(dog.get(), sel), nullptr);
    EXPECT_EQ(class_getInstanceMethod(Dog::class_(), sel), nullptr);
    EXPECT_EQ(class_getMethodImplementation(Dog::class_(), sel), nullptr);
  }
  EXPECT_FALSE(dog->respondsToSelector(sel));
  ASSERT_TRUE(class_addMethod(Animal::class_(), sel, objc::imp<&answerOne>(), "i@:"));
  EXPECT_TRUE(dog->respondsToSelector(sel));
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(sendFromOneSite(dog.get(), sel), 1);
    EXPECT_EQ(class_getMethodImplementation(Dog::class_(), sel), objc::imp<&answerOne>());
    class_replaceMethod(Animal::class_(), sel, objc::imp<&answerTwo>(), "i@:");
    EXPECT_EQ(sendFromOneSite(dog.get(), sel), 2);
    EXPECT_EQ(class_getMethodImplementation(Dog::class_(), sel), objc::imp<&answerTwo>());
    Method m = class_getInstanceMethod(Animal::class_(), sel);
    method_setImplementation(m, objc::imp<&answerOne>());
  }
  EXPECT_EQ(sendFromOneSite(dog.get(), sel), 1);
  ASSERT_TRUE(class_addMethod(Dog::class_(), sel, objc::imp<&answerTwo>(), "i@:"));
  EXPECT_EQ(sendFromOneSite(dog.get(), sel), 2);
  EXPECT_EQ(class_getInstanceMethod(Dog::class_(), sel),
            class_getInstanceMethod(Dog::class_(), sel));
  EXPECT_NE(class_getInstanceMethod(Dog::class_(), sel),
            class_getInstanceMethod(Animal::class_(), sel));
  EXPECT_EQ(objc_msgSend<int>(static_cast<NSObject*>(nullptr), sel), 0);

  // A method without an IMP is in the table but cannot run: a send raises, every time,
  // rather than calling none; its Method is still found by class.
  SEL empty = sel_registerName("methodWithoutAnImplementation");
  ASSERT_TRUE(class_addMethod(Dog::class_(), empty, nullptr, "v@:"));
  for (int again = 0; again < 3; ++again) {
    EXPECT_THROW(sendFromOneSite(dog.get(), empty), NSException);
    EXPECT_NE(class_getInstanceMethod(Dog::class_(), empty), nullptr);
  }
  method_setImplementation(class_getInstanceMethod(Dog::class_(), empty), objc::imp<&answerOne>());
  EXPECT_EQ(sendFromOneSite(dog.get(), empty), 1);
}

namespace {
int answerFour(NSObject*, SEL) {
  return 4;
}
}  // namespace

// Pairs whose hash meets share a set of two ways: more of them than ways, sent in turn and
// mixed with lookups by class under the same set, must each keep their own answer.
TEST(Runtime, PairsInOneCacheSetKeepTheirOwnAnswers) {
  auto dog = std::make_shared<Dog>();
  const void* vtable = objc::vtableOf(dog.get());
  std::vector<SEL> sels;
  std::size_t set = 0;
  for (int k = 0; sels.size() < 4 && k < 100000; ++k) {
    SEL sel = sel_registerName("collide" + std::to_string(k));
    if (sels.empty()) set = objc::cacheSet(vtable, sel);
    if (objc::cacheSet(vtable, sel) == set) sels.push_back(sel);
  }
  ASSERT_EQ(sels.size(), 4u);
  IMP answers[] = {objc::imp<&answerOne>(), objc::imp<&answerTwo>(), objc::imp<&answerThree>()};
  for (std::size_t i = 0; i < 3; ++i) class_addMethod(Dog::class_(), sels[i], answers[i], "i@:");
  for (int round = 0; round < 4; ++round) {
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(objc_msgSend<int>(dog, sels[i]), int(i) + 1) << round;
      EXPECT_EQ(objc_msgSend<int>(dog, sels[i]), int(i) + 1) << round;  // the way used last
    }
    EXPECT_THROW(objc_msgSend<int>(dog, sels[3]), NSException) << round;
    EXPECT_EQ(class_getMethodImplementation(Dog::class_(), sels[2]), answers[2]) << round;
  }
  class_replaceMethod(Dog::class_(), sels[1], objc::imp<&answerFour>(), "i@:");
  EXPECT_EQ(objc_msgSend<int>(dog, sels[0]), 1);
  EXPECT_EQ(objc_msgSend<int>(dog, sels[1]), 4);
  EXPECT_EQ(objc_msgSend<int>(dog, sels[2]), 3);
}

// Selectors registered in a row (a class's methods) take sets of their own under one
// receiver, so sending each of them in turn evicts none of the others.
TEST(Runtime, SelectorsRegisteredTogetherSpreadOverTheCache) {
  auto dog = std::make_shared<Dog>();
  const void* vtable = objc::vtableOf(dog.get());
  std::vector<bool> taken(objc::kCacheSets);
  std::size_t shared = 0;
  for (std::size_t k = 0; k < objc::kCacheSets; ++k) {
    SEL sel = sel_registerName("spread" + std::to_string(k) + ":");
    std::size_t set = objc::cacheSet(vtable, sel);
    shared += taken[set];
    taken[set] = true;
  }
  EXPECT_EQ(shared, 0u);
  EXPECT_EQ(sel_getName(sel_registerName("spread7:")), std::string("spread7:"));
}

// A thread that sent and ended leaves no cache behind for a later change to empty; threads
// started after a change see it.
TEST(Runtime, EndedThreadsLeaveNoCacheBehind) {
  SEL sel = sel_registerName("shortLivedValue");
  class_addMethod(Animal::class_(), sel, objc::imp<&answerOne>(), "i@:");
  auto dog = std::make_shared<Dog>();
  for (int round = 0; round < 4; ++round) {
    int seen = 0;
    std::thread([&] { seen = objc_msgSend<int>(dog, sel); }).join();
    EXPECT_EQ(seen, round % 2 ? 2 : 1);
    class_replaceMethod(Animal::class_(), sel,
                        round % 2 ? objc::imp<&answerOne>() : objc::imp<&answerTwo>(), "i@:");
  }
}

// Class tests compare at the ancestor's depth: deeper, shallower and unrelated classes.
TEST(Runtime, SubclassTestsOverChainsOfEveryDepth) {
  Class a = objc_allocateClassPair(NSObject::class_(), "DepthA");
  Class b = objc_allocateClassPair(a, "DepthB");
  Class c = objc_allocateClassPair(b, "DepthC");
  Class other = objc_allocateClassPair(NSObject::class_(), "DepthOther");
  Class otherDeep = objc_allocateClassPair(objc_allocateClassPair(other, "DepthOther2"), "DepthO3");
  EXPECT_TRUE(class_isSubclassOf(c, c));
  EXPECT_TRUE(class_isSubclassOf(c, a));
  EXPECT_TRUE(class_isSubclassOf(c, NSObject::class_()));
  EXPECT_FALSE(class_isSubclassOf(a, c));
  EXPECT_FALSE(class_isSubclassOf(otherDeep, b));
  EXPECT_FALSE(class_isSubclassOf(c, otherDeep));
  EXPECT_TRUE(class_isSubclassOf(otherDeep, other));
  EXPECT_FALSE(class_isSubclassOf(nullptr, a));
  EXPECT_FALSE(class_isSubclassOf(a, nullptr));
  EXPECT_EQ(objc_allocateClassPair(other, "DepthC"), c);  // an existing name keeps its chain
  EXPECT_TRUE(class_isSubclassOf(c, b));
}

namespace {

std::vector<std::string> reports;
void recordReport(std::string_view line) {
  reports.emplace_back(line);
}
int fills = 0;
void fillOne(Class cls) {
  ++fills;
  class_addMethod(cls, OBJC_SEL("kind"), objc::imp<&answerOne>(), "i@:");
}
void fillTwo(Class cls) {
  ++fills;
  class_addMethod(cls, OBJC_SEL("kind"), objc::imp<&answerTwo>(), "i@:");
}

// Reports go to the test while it lives.
struct ReportsRecorded {
  objc::ReportHandler previous = objc::setReportHandler(&recordReport);
  ReportsRecorded() {
    reports.clear();
    fills = 0;
  }
  ~ReportsRecorded() { objc::setReportHandler(previous); }
};

IMP kindOf(Class cls) {
  return method_getImplementation(class_getInstanceMethod(cls, OBJC_SEL("kind")));
}

}  // namespace

// A second copy of a class's code in one process registers the name again with its own
// table filler: the first class answers, and the runtime says so.
TEST(Runtime, ASecondImplementationOfAClassNameIsReportedAndTheFirstKept) {
  ReportsRecorded recorded;
  Class first = objc::registerClass("TwinA", NSObject::class_(), &fillOne);
  EXPECT_EQ(objc::registerClass("TwinA", NSObject::class_(), &fillTwo), first);
  EXPECT_EQ(fills, 1);
  EXPECT_EQ(kindOf(first), objc::imp<&answerOne>());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("TwinA"), std::string::npos) << reports[0];

  // Another superclass is another implementation too, even with the same filler.
  Class second = objc::registerClass("TwinB", NSObject::class_(), &fillOne);
  EXPECT_EQ(objc::registerClass("TwinB", Animal::class_(), &fillOne), second);
  EXPECT_EQ(class_getSuperclass(second), NSObject::class_());
  // So is a class made at run time under the name before the registration, which keeps
  // its empty table.
  Class made = objc_allocateClassPair(NSObject::class_(), "TwinC");
  EXPECT_EQ(objc::registerClass("TwinC", NSObject::class_(), &fillOne), made);
  EXPECT_EQ(kindOf(made), nullptr);
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(fills, 2);
}

TEST(Runtime, TheSameImplementationRegisteredAgainIsQuiet) {
  ReportsRecorded recorded;
  Class cls = objc::registerClass("TwinSame", NSObject::class_(), &fillTwo);
  EXPECT_EQ(objc::registerClass("TwinSame", NSObject::class_(), &fillTwo), cls);
  EXPECT_EQ(objc_getClass("TwinSame"), cls);
  EXPECT_EQ(fills, 1);
  EXPECT_TRUE(reports.empty());
}

TEST(Runtime, ReportsGoToStandardErrorByDefault) {
  objc::ReportHandler previous = objc::setReportHandler(nullptr);
  objc::registerClass("TwinLoud", NSObject::class_(), &fillOne);
  testing::internal::CaptureStderr();
  objc::registerClass("TwinLoud", NSObject::class_(), &fillTwo);
  std::string said = testing::internal::GetCapturedStderr();
  objc::setReportHandler(previous);
  EXPECT_EQ(said.rfind("objc[", 0), 0u) << said;
  EXPECT_NE(said.find("TwinLoud is registered twice"), std::string::npos) << said;
}
