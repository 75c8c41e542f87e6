// The peer's side of bench_detect_dates: chrono-node's parse over the same text, with
// the same reference moment, timed in rounds, with the parser of a language ("en" by
// default, "de" for German). Prints "count=N median_us=X".
const fs = require('fs');
const chronoNode = require('chrono-node');

const [file, roundsArg, refMs, language] = process.argv.slice(2);
const chrono = language && language !== 'en' ? chronoNode[language] : chronoNode;
const text = fs.readFileSync(file, 'utf8');
const rounds = Math.max(1, parseInt(roundsArg || '11', 10));
const ref = new Date(Number(refMs));

let count = 0;
for (let i = 0; i < 2; ++i) count = chrono.parse(text, ref).length;  // warm the JIT
const times = [];
for (let i = 0; i < rounds; ++i) {
  const start = process.hrtime.bigint();
  count = chrono.parse(text, ref).length;
  times.push(Number(process.hrtime.bigint() - start) / 1000);
}
times.sort((a, b) => a - b);
console.log(`count=${count} median_us=${times[Math.floor(times.length / 2)].toFixed(1)}`);
