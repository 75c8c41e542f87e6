#!/usr/bin/env python3
# Replaces `objc::imp<&F>(), "types"` in class_addMethod/class_replaceMethod calls with
# `objc::method<&F>()`, whose encoding comes from F's signature. Only the encoding
# argument and the call's form change; run clang-format on the files afterwards.
#   scripts/derive-encodings.py $(git grep -l class_addMethod -- platform settings apps)
import re, sys
# Encodings with frame offsets ("@16@0:8") are the compiled form some sites must report;
# the derivation does not make those, so they are left as they are.
pat = re.compile(r'objc::imp<(&[A-Za-z_][\w:]*)>\(\),(\s*)"[^"0-9]*"')
for path in sys.argv[1:]:
    s = open(path).read()
    out, n = [], 0
    pos = 0
    for m in re.finditer(r'class_(?:addMethod|replaceMethod)\(', s):
        start = m.end()
        depth, i = 1, start
        while depth and i < len(s):
            depth += {'(': 1, ')': -1}.get(s[i], 0); i += 1
        call = s[start:i]
        new, k = pat.subn(lambda mm: 'objc::method<%s>()' % mm.group(1), call)
        if k:
            out.append(s[pos:start]); out.append(new); pos = i; n += k
    out.append(s[pos:])
    if n:
        open(path, 'w').write(''.join(out))
        print(path, n)
