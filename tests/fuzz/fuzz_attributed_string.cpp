// Attributed-string edits driven by the input, checked after every step against a plain
// model: the text, and per character the values of three keys. A range past the end
// must raise NSRangeException and change nothing; runs must always be the longest
// stretches of equal attributes; enumeration must tile the range it is asked for.
// fuzz-mutations: 2000
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "FuzzInput.h"

namespace {

constexpr int kKeys = 3;
constexpr int kAbsent = -1;
using Attrs = std::array<int, kKeys>;  // value of each key, kAbsent when missing

const Strong<NSString>& keyName(int k) {
  static const Strong<NSString> names[kKeys] = {NSSTR("a"), NSSTR("b"), NSSTR("c")};
  return names[k];
}

struct Model {
  std::u16string text;
  std::vector<Attrs> attrs;
};

[[noreturn]] void fault(const char* what) {
  std::fprintf(stderr, "attributed string fault: %s\n", what);
  std::abort();
}

Strong<NSDictionary> toDictionary(const Attrs& a) {
  auto d = NSMutableDictionary::dictionary();
  for (int k = 0; k < kKeys; ++k)
    if (a[k] != kAbsent) d->setObjectForKey(NSNumber::numberWithInt(a[k]), keyName(k));
  return d;
}

Attrs fromDictionary(const Strong<NSDictionary>& d) {
  if (!d) fault("attributes are none");
  Attrs a;
  a.fill(kAbsent);
  NSUInteger known = 0;
  for (int k = 0; k < kKeys; ++k) {
    if (auto n = objc_cast<NSNumber>(d->objectForKey(keyName(k)))) {
      a[k] = n->intValue();
      ++known;
    }
  }
  if (known != d->count()) fault("attributes hold a key nobody set");
  return a;
}

bool validRange(NSRange r, size_t length) {
  return r.location <= length && r.length <= length - r.location;
}

void checkAgainst(const NSAttributedString& s, const Model& m) {
  if (s.characters() != m.text || s.length() != m.text.size()) fault("text differs");
  for (NSUInteger i = 0; i < m.text.size();) {
    NSRange run;
    Attrs a = fromDictionary(s.attributesAtIndexEffectiveRange(i, &run));
    if (a != m.attrs[i]) fault("attributes differ");
    if (run.location != i) fault("a run does not start after the previous one");
    if (run.length == 0 || NSMaxRange(run) > m.text.size()) fault("run out of bounds");
    for (NSUInteger j = run.location; j < NSMaxRange(run); ++j)
      if (m.attrs[j] != a) fault("a run spans different attributes");
    if (NSMaxRange(run) < m.text.size() && m.attrs[NSMaxRange(run)] == a)
      fault("equal neighbouring runs are not merged");
    i = NSMaxRange(run);
  }
}

Strong<NSString> text(fuzz::Input& in) {
  std::u16string t;
  for (size_t n = in.choice(6); n > 0; --n) {
    uint8_t b = in.byte();
    t += b < 200 ? char16_t(u'a' + b % 26) : char16_t(0xD800 + b);  // a lone surrogate at times
  }
  return NSString::stringWithCharacters(t);
}

Attrs attrs(fuzz::Input& in) {
  Attrs a;
  for (int k = 0; k < kKeys; ++k) {
    int v = in.choice(4);
    a[k] = v == 3 ? kAbsent : v;
  }
  return a;
}

Strong<NSAttributedString> attributed(fuzz::Input& in, Model& part) {
  auto s = text(in);
  Attrs a = attrs(in);
  part.text = s->characters();
  part.attrs.assign(part.text.size(), a);
  return NSAttributedString::initWithStringAttributes(s, toDictionary(a));
}

NSRange range(fuzz::Input& in, size_t length) {
  NSUInteger location = in.position(length);
  return NSMakeRange(location, in.position(length > location ? length - location : 0));
}

// The attributes new characters take: the first replaced one's, else the one before,
// else the one after.
Attrs inherited(const Model& m, NSRange r) {
  if (m.text.empty()) return Attrs{kAbsent, kAbsent, kAbsent};
  if (r.length > 0) return m.attrs[r.location];
  if (r.location > 0) return m.attrs[r.location - 1];
  return m.attrs[0];
}

void replace(Model& m, NSRange r, const Model& with) {
  m.text.replace(r.location, r.length, with.text);
  m.attrs.erase(m.attrs.begin() + r.location, m.attrs.begin() + r.location + r.length);
  m.attrs.insert(m.attrs.begin() + r.location, with.attrs.begin(), with.attrs.end());
}

// `project` keeps what the enumeration reports of a character's attributes.
template <class Project, class Block>
void enumerateAndCheck(const Model& m, NSRange r, bool ok, fuzz::Input& in, Project project,
                       Block enumerate) {
  NSAttributedStringEnumerationOptions options = 0;
  bool reverse = in.flag(), shortRuns = in.flag();
  if (reverse) options |= NSAttributedStringEnumerationReverse;
  if (shortRuns) options |= NSAttributedStringEnumerationLongestEffectiveRangeNotRequired;
  unsigned stopAfter = in.choice(8);  // 0: never stop
  std::vector<std::pair<NSRange, Attrs>> seen;
  enumerate(r, options, [&](NSRange sub, const Attrs& a, BOOL* stop) {
    seen.push_back({sub, a});
    if (seen.size() == stopAfter) *stop = YES;
  });
  if (!ok) fault("a bad range did not raise");
  if (r.length == 0) return;
  if (stopAfter && seen.size() > stopAfter) fault("enumeration did not stop");
  NSUInteger expect = reverse ? NSMaxRange(r) : r.location;
  for (size_t i = 0; i < seen.size(); ++i) {
    const auto& [sub, a] = seen[i];
    if (sub.length == 0) fault("enumeration reported an empty range");
    if (reverse ? NSMaxRange(sub) != expect : sub.location != expect)
      fault("enumeration ranges do not tile the range");
    for (NSUInteger j = sub.location; j < NSMaxRange(sub); ++j)
      if (project(m.attrs[j]) != a) fault("enumeration range holds other values");
    if (!shortRuns && i > 0 && seen[i - 1].second == a)
      fault("equal neighbouring ranges reported apart");
    expect = reverse ? sub.location : NSMaxRange(sub);
  }
  if ((!stopAfter || seen.size() < stopAfter) && expect != (reverse ? r.location : NSMaxRange(r)))
    fault("enumeration did not cover the range");
}

// One edit or query, then the whole string checked against the model.
void step(fuzz::Input& in, Strong<NSMutableAttributedString>& s, Model& m) {
  NSRange r = range(in, m.text.size());
  bool ok = validRange(r, m.text.size());
  Model before = m;
  unsigned op = in.choice(14);
  bool raised = false;
  // Before the model follows a call: a bad range must not have got this far.
  auto require = [&] {
    if (!ok) fault("a bad range did not raise");
  };
  try {
    switch (op) {
      case 0: {
        int k = in.choice(kKeys), v = in.choice(3);
        s->addAttributeValueRange(keyName(k), NSNumber::numberWithInt(v), r);
        require();
        for (NSUInteger i = r.location; i < NSMaxRange(r); ++i) m.attrs[i][k] = v;
        break;
      }
      case 1: {
        Attrs a = attrs(in);
        s->addAttributesRange(toDictionary(a), r);
        require();
        for (NSUInteger i = r.location; i < NSMaxRange(r); ++i)
          for (int k = 0; k < kKeys; ++k)
            if (a[k] != kAbsent) m.attrs[i][k] = a[k];
        break;
      }
      case 2: {
        Attrs a = attrs(in);
        bool none = in.flag();
        s->setAttributesRange(none ? nullptr : toDictionary(a), r);
        require();
        if (none) a.fill(kAbsent);
        for (NSUInteger i = r.location; i < NSMaxRange(r); ++i) m.attrs[i] = a;
        break;
      }
      case 3: {
        int k = in.choice(kKeys);
        s->removeAttributeRange(keyName(k), r);
        require();
        for (NSUInteger i = r.location; i < NSMaxRange(r); ++i) m.attrs[i][k] = kAbsent;
        break;
      }
      case 4: {
        auto t = text(in);
        Model with{t->characters(), {}};
        if (ok) with.attrs.assign(with.text.size(), inherited(m, r));
        s->replaceCharactersInRangeWithString(r, t);
        require();
        replace(m, r, with);
        break;
      }
      case 5: {
        Model with;
        auto t = attributed(in, with);
        s->replaceCharactersInRangeWithAttributedString(r, t);
        require();
        replace(m, r, with);
        break;
      }
      case 6: {
        Model with;
        auto t = attributed(in, with);
        ok = r.location <= m.text.size();
        s->insertAttributedStringAtIndex(t, r.location);
        require();
        replace(m, NSMakeRange(r.location, 0), with);
        break;
      }
      case 7: {
        Model with;
        s->appendAttributedString(attributed(in, with));
        ok = true;
        replace(m, NSMakeRange(m.text.size(), 0), with);
        break;
      }
      case 8:
        s->deleteCharactersInRange(r);
        require();
        replace(m, r, Model{});
        break;
      case 9: {
        Model with;
        s->setAttributedString(attributed(in, with));
        ok = true;
        m = with;
        break;
      }
      case 10: {
        int k = in.choice(kKeys);
        auto project = [k](const Attrs& a) { return Attrs{a[k], kAbsent, kAbsent}; };
        enumerateAndCheck(m, r, ok, in, project, [&](NSRange rr, auto options, auto report) {
          s->enumerateAttributeInRangeOptionsUsingBlock(
              keyName(k), rr, options, [&](const id& value, NSRange sub, BOOL* stop) {
                Attrs a{kAbsent, kAbsent, kAbsent};
                if (value) {
                  auto n = objc_cast<NSNumber>(value);
                  if (!n) fault("enumerated value of the wrong kind");
                  a[0] = n->intValue();
                }
                report(sub, a, stop);
              });
        });
        break;
      }
      case 11:
        enumerateAndCheck(
            m, r, ok, in, [](const Attrs& a) { return a; },
            [&](NSRange rr, auto options, auto report) {
              s->enumerateAttributesInRangeOptionsUsingBlock(
                  rr, options, [&](const Strong<NSDictionary>& d, NSRange sub, BOOL* stop) {
                    report(sub, fromDictionary(d), stop);
                  });
            });
        break;
      case 12: {
        auto sub = s->attributedSubstringFromRange(r);
        require();
        Model part{m.text.substr(r.location, r.length),
                   std::vector<Attrs>(m.attrs.begin() + r.location,
                                      m.attrs.begin() + r.location + r.length)};
        checkAgainst(*sub, part);
        break;
      }
      default: {
        NSUInteger index = in.position(m.text.size());
        NSRange found;
        ok = ok && index < m.text.size();
        s->attributesAtIndexLongestEffectiveRangeInRange(index, &found, r);
        require();
        if (NSLocationInRange(index, r)) {
          if (!NSLocationInRange(index, found)) fault("longest range misses its index");
          if (found.location < r.location || NSMaxRange(found) > NSMaxRange(r))
            fault("longest range leaves its limit");
          for (NSUInteger j = found.location; j < NSMaxRange(found); ++j)
            if (m.attrs[j] != m.attrs[index]) fault("longest range spans other attributes");
        }
        auto copy = s->mutableCopy();
        if (!copy->isEqual(s.get()) || copy->hash() != s->hash()) fault("a copy is not equal");
        break;
      }
    }
  } catch (const NSException& e) {
    if (e.name() != NSRangeException) fault("an exception other than NSRangeException");
    raised = true;
  }
  if (raised != !ok)
    fault(raised ? "a range inside the string raised" : "a bad range did not raise");
  if (raised) m = before;
  checkAgainst(*s, m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  Model m;
  auto s = NSMutableAttributedString::initWithAttributedString(attributed(in, m));
  checkAgainst(*s, m);
  for (int steps = 0; steps < 64 && !in.empty(); ++steps) step(in, s, m);
  return 0;
}
