// linkify-it over one file, set to find what the data detector finds (bare domains and
// e-mail addresses on): node linkify_bench.js FILE
// Prints "count=N" once warm, then for each line read on standard input runs one round
// and prints its processor time in microseconds, "round=T", so that the caller can take
// its own rounds in turn with these ones.
'use strict';
const fs = require('fs');
const readline = require('readline');
const linkifyModule = require('linkify-it');
const LinkifyIt = linkifyModule.LinkifyIt || linkifyModule.default || linkifyModule;

const [file] = process.argv.slice(2);
const text = fs.readFileSync(file, 'utf8');
const linkify = new LinkifyIt({ fuzzyLink: true, fuzzyEmail: true, fuzzyIP: true });

let count = 0;
for (let i = 0; i < 5; i++) count = (linkify.match(text) || []).length;  // warm the JIT
console.log(`count=${count}`);
const rounds = readline.createInterface({ input: process.stdin });
rounds.on('line', () => {
  const start = process.cpuUsage();
  const matches = linkify.match(text) || [];
  const used = process.cpuUsage(start);
  if (matches.length !== count) process.exit(3);
  console.log(`round=${used.user + used.system}`);
});
