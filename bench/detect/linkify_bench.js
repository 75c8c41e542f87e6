// linkify-it over one file, set to find what the data detector finds (bare domains and
// e-mail addresses on): node linkify_bench.js FILE ROUNDS
// Prints "count=N" and one time per round in microseconds, "round=T".
'use strict';
const fs = require('fs');
const linkifyModule = require('linkify-it');
const LinkifyIt = linkifyModule.LinkifyIt || linkifyModule.default || linkifyModule;

const [file, roundsArg] = process.argv.slice(2);
const text = fs.readFileSync(file, 'utf8');
const rounds = Math.max(1, parseInt(roundsArg || '21', 10));
const linkify = new LinkifyIt({ fuzzyLink: true, fuzzyEmail: true, fuzzyIP: true });

let count = 0;
for (let i = 0; i < 5; i++) count = (linkify.match(text) || []).length;  // warm the JIT
console.log(`count=${count}`);
for (let r = 0; r < rounds; r++) {
  const start = process.hrtime.bigint();
  const matches = linkify.match(text) || [];
  const end = process.hrtime.bigint();
  if (matches.length !== count) process.exit(3);
  console.log(`round=${Number(end - start) / 1000}`);
}
