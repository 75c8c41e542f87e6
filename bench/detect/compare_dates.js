// Reads a file of phrases, one a line, with both our detector (through `nimbra detect`)
// and chrono-node's parser for a language, and prints the lines where they differ and a
// summary: how many lines each reads whole ("exact"), and on those both read whole,
// how many give the same day. A spot check while writing date rules, not a test.
//
//   node compare_dates.js --nimbra build/apps/nimbra --chrono DIR --locale de_DE \
//        [--now 2026-12-09T10:00:00Z] [--all] FILE
//
// DIR holds node_modules/chrono-node (npm install --prefix DIR chrono-node@2; never in
// the tree).
// Lines that are empty or start with "#" are skipped. Both sides run in UTC.
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");

function parseArgs(argv) {
  const a = { now: "2026-12-09T10:00:00Z", locale: "en_US", all: false };
  for (let i = 0; i < argv.length; ++i) {
    const k = argv[i];
    if (k === "--nimbra") a.nimbra = argv[++i];
    else if (k === "--chrono") a.chrono = argv[++i];
    else if (k === "--locale") a.locale = argv[++i];
    else if (k === "--now") a.now = argv[++i];
    else if (k === "--all") a.all = true;
    else a.file = k;
  }
  if (!a.nimbra || !a.chrono || !a.file) {
    console.error("usage: compare_dates.js --nimbra PATH --chrono DIR --locale NAME [--now ISO] [--all] FILE");
    process.exit(2);
  }
  return a;
}

const args = parseArgs(process.argv.slice(2));
process.env.TZ = "UTC";
const chrono = require(path.resolve(args.chrono, "node_modules/chrono-node"));
const language = args.locale.slice(0, 2);
const parser = language === "en" ? chrono : chrono[language];
if (!parser) {
  console.error(`chrono-node has no parser for ${language}`);
  process.exit(2);
}
const reference = new Date(args.now);

const lines = fs
  .readFileSync(args.file, "utf8")
  .split("\n")
  .filter((l) => l.trim() !== "" && !l.startsWith("#"));
const text = lines.join("\n");

// Our matches, as UTF-16 offsets, spread over the lines they fall in.
const ours = lines.map(() => []);
const out = execFileSync(
  args.nimbra,
  ["detect", "--types", "date", "--locale", args.locale, "--now", args.now],
  { input: text, env: { ...process.env, TZ: "UTC" }, maxBuffer: 1 << 28 },
).toString();
const starts = [];
for (let i = 0, at = 0; i < lines.length; ++i) {
  starts.push(at);
  at += lines[i].length + 1;
}
for (const row of out.split("\n")) {
  if (!row) continue;
  const [loc, len, , payload] = row.split("\t");
  const start = Number(loc);
  let line = starts.length - 1;
  while (starts[line] > start) --line;
  const from = start - starts[line];
  ours[line].push({ text: lines[line].substr(from, Number(len)), when: payload.slice(0, 19) });
}

const iso = (d) => d.toISOString().slice(0, 19);
let chronoExact = 0, oursExact = 0, bothExact = 0, sameDay = 0, sameMinute = 0;
for (let i = 0; i < lines.length; ++i) {
  const line = lines[i].trim();
  const theirs = parser.parse(lines[i], reference).map((r) => ({ text: r.text, when: iso(r.start.date()) }));
  const mine = ours[i];
  const cExact = theirs.length === 1 && theirs[0].text.trim() === line;
  const oExact = mine.length === 1 && mine[0].text.trim() === line;
  chronoExact += cExact;
  oursExact += oExact;
  let mark = "";
  if (cExact && oExact) {
    ++bothExact;
    const day = theirs[0].when.slice(0, 10) === mine[0].when.slice(0, 10);
    sameDay += day;
    sameMinute += theirs[0].when.slice(0, 16) === mine[0].when.slice(0, 16);
    if (!day) mark = "DAY";
  } else if (cExact) {
    mark = "MISS";
  } else if (oExact) {
    mark = "ONLY";
  } else if (JSON.stringify(theirs.map((t) => t.text)) !== JSON.stringify(mine.map((m) => m.text))) {
    mark = "DIFF";
  }
  if (mark || args.all) {
    const show = (list) => list.map((m) => `[${m.text}] ${m.when}`).join(" ") || "-";
    console.log(`${mark || "same"}\t${line}\n\tchrono: ${show(theirs)}\n\tnimbra: ${show(mine)}`);
  }
}
console.log(
  `\n${lines.length} lines; exact: chrono ${chronoExact}, nimbra ${oursExact}, both ${bothExact} ` +
    `(same day ${sameDay}, same minute ${sameMinute}); nimbra/chrono ${(oursExact / Math.max(1, chronoExact)).toFixed(2)}`,
);
