#include "AddressTables.h"

#include <algorithm>
#include <iterator>

namespace foundation::detect {

namespace {

// Sorted, for binary search.
constexpr std::u16string_view kUSSuffixes[] = {
    u"allee",      u"alley",      u"ally",     u"aly",       u"anex",       u"annex",
    u"annx",       u"anx",        u"arc",      u"arcade",    u"av",         u"ave",
    u"aven",       u"avenu",      u"avenue",   u"avn",       u"avnue",      u"bayoo",
    u"bayou",      u"bch",        u"beach",    u"bend",      u"bg",         u"bgs",
    u"blf",        u"blfs",       u"bluf",     u"bluff",     u"bluffs",     u"blvd",
    u"bnd",        u"bot",        u"bottm",    u"bottom",    u"boul",       u"boulevard",
    u"boulv",      u"br",         u"branch",   u"brdge",     u"brg",        u"bridge",
    u"brk",        u"brks",       u"brnch",    u"brook",     u"brooks",     u"btm",
    u"burg",       u"burgs",      u"byp",      u"bypa",      u"bypas",      u"bypass",
    u"byps",       u"byu",        u"camp",     u"canyn",     u"canyon",     u"cape",
    u"causeway",   u"causwa",     u"cen",      u"cent",      u"center",     u"centers",
    u"centr",      u"centre",     u"cir",      u"circ",      u"circl",      u"circle",
    u"circles",    u"cirs",       u"clb",      u"clf",       u"clfs",       u"cliff",
    u"cliffs",     u"club",       u"cmn",      u"cmns",      u"cmp",        u"cnter",
    u"cntr",       u"cnyn",       u"common",   u"commons",   u"cor",        u"corner",
    u"corners",    u"cors",       u"course",   u"court",     u"courts",     u"cove",
    u"coves",      u"cp",         u"cpe",      u"crcl",      u"crcle",      u"creek",
    u"cres",       u"crescent",   u"crest",    u"crk",       u"crossing",   u"crossroad",
    u"crossroads", u"crse",       u"crsent",   u"crsnt",     u"crssng",     u"crst",
    u"cswy",       u"ct",         u"ctr",      u"ctrs",      u"cts",        u"curv",
    u"curve",      u"cv",         u"cvs",      u"cyn",       u"dale",       u"dam",
    u"div",        u"divide",     u"dl",       u"dm",        u"dr",         u"driv",
    u"drive",      u"drives",     u"drs",      u"drv",       u"dv",         u"dvd",
    u"est",        u"estate",     u"estates",  u"ests",      u"exp",        u"expr",
    u"express",    u"expressway", u"expw",     u"expy",      u"ext",        u"extension",
    u"extensions", u"extn",       u"extnsn",   u"exts",      u"fall",       u"falls",
    u"ferry",      u"field",      u"fields",   u"flat",      u"flats",      u"fld",
    u"flds",       u"fls",        u"flt",      u"flts",      u"ford",       u"fords",
    u"forest",     u"forests",    u"forg",     u"forge",     u"forges",     u"fork",
    u"forks",      u"fort",       u"frd",      u"frds",      u"freeway",    u"freewy",
    u"frg",        u"frgs",       u"frk",      u"frks",      u"frry",       u"frst",
    u"frt",        u"frway",      u"frwy",     u"fry",       u"ft",         u"fwy",
    u"garden",     u"gardens",    u"gardn",    u"gateway",   u"gatewy",     u"gatway",
    u"gdn",        u"gdns",       u"glen",     u"glens",     u"gln",        u"glns",
    u"grden",      u"grdn",       u"grdns",    u"green",     u"greens",     u"grn",
    u"grns",       u"grov",       u"grove",    u"groves",    u"grv",        u"grvs",
    u"gtway",      u"gtwy",       u"harb",     u"harbor",    u"harbors",    u"harbr",
    u"haven",      u"hbr",        u"hbrs",     u"heights",   u"highway",    u"highwy",
    u"hill",       u"hills",      u"hiway",    u"hiwy",      u"hl",         u"hllw",
    u"hls",        u"hollow",     u"hollows",  u"holw",      u"holws",      u"hrbor",
    u"ht",         u"hts",        u"hvn",      u"hway",      u"hwy",        u"inlet",
    u"inlt",       u"is",         u"island",   u"islands",   u"isle",       u"isles",
    u"islnd",      u"islnds",     u"iss",      u"jct",       u"jction",     u"jctn",
    u"jctns",      u"jcts",       u"junction", u"junctions", u"junctn",     u"juncton",
    u"key",        u"keys",       u"knl",      u"knls",      u"knol",       u"knoll",
    u"knolls",     u"ky",         u"kys",      u"lake",      u"lakes",      u"land",
    u"landing",    u"lane",       u"lck",      u"lcks",      u"ldg",        u"ldge",
    u"lf",         u"lgt",        u"lgts",     u"light",     u"lights",     u"lk",
    u"lks",        u"ln",         u"lndg",     u"lndng",     u"loaf",       u"lock",
    u"locks",      u"lodg",       u"lodge",    u"loop",      u"loops",      u"mall",
    u"manor",      u"manors",     u"mdw",      u"mdws",      u"meadow",     u"meadows",
    u"medows",     u"mews",       u"mill",     u"mills",     u"missn",      u"ml",
    u"mls",        u"mnr",        u"mnrs",     u"mnt",       u"mntain",     u"mntn",
    u"mntns",      u"motorway",   u"mount",    u"mountain",  u"mountains",  u"mountin",
    u"msn",        u"mssn",       u"mt",       u"mtin",      u"mtn",        u"mtns",
    u"mtwy",       u"nck",        u"neck",     u"nk",        u"opas",       u"orch",
    u"orchard",    u"orchrd",     u"oval",     u"overpass",  u"ovl",        u"park",
    u"parks",      u"parkway",    u"parkways", u"parkwy",    u"pass",       u"passage",
    u"path",       u"paths",      u"pike",     u"pikes",     u"pine",       u"pines",
    u"pkway",      u"pkwy",       u"pkwys",    u"pky",       u"pl",         u"place",
    u"plain",      u"plains",     u"plaza",    u"pln",       u"plns",       u"plz",
    u"plza",       u"pne",        u"pnes",     u"point",     u"points",     u"port",
    u"ports",      u"pr",         u"prairie",  u"prk",       u"prr",        u"prt",
    u"prts",       u"psge",       u"pt",       u"pts",       u"rad",        u"radial",
    u"radiel",     u"radl",       u"ramp",     u"ranch",     u"ranches",    u"rapid",
    u"rapids",     u"rd",         u"rdg",      u"rdge",      u"rdgs",       u"rds",
    u"rest",       u"ridge",      u"ridges",   u"riv",       u"river",      u"rivr",
    u"rnch",       u"rnchs",      u"road",     u"roads",     u"route",      u"row",
    u"rpd",        u"rpds",       u"rst",      u"rte",       u"rue",        u"run",
    u"rvr",        u"shl",        u"shls",     u"shoal",     u"shoals",     u"shoar",
    u"shoars",     u"shore",      u"shores",   u"shr",       u"shrs",       u"skwy",
    u"skyway",     u"smt",        u"spg",      u"spgs",      u"spng",       u"spngs",
    u"spring",     u"springs",    u"sprng",    u"sprngs",    u"spur",       u"spurs",
    u"sq",         u"sqr",        u"sqre",     u"sqrs",      u"sqs",        u"squ",
    u"square",     u"squares",    u"st",       u"sta",       u"station",    u"statn",
    u"stn",        u"str",        u"stra",     u"strav",     u"straven",    u"stravenue",
    u"stravn",     u"stream",     u"street",   u"streets",   u"streme",     u"strm",
    u"strt",       u"strvn",      u"strvnue",  u"sts",       u"sumit",      u"sumitt",
    u"summit",     u"ter",        u"terr",     u"terrace",   u"throughway", u"tpke",
    u"trace",      u"traces",     u"track",    u"tracks",    u"trafficway", u"trail",
    u"trailer",    u"trails",     u"trak",     u"trce",      u"trfy",       u"trk",
    u"trks",       u"trl",        u"trlr",     u"trlrs",     u"trls",       u"trnpk",
    u"trwy",       u"tunel",      u"tunl",     u"tunls",     u"tunnel",     u"tunnels",
    u"tunnl",      u"turnpike",   u"turnpk",   u"un",        u"underpass",  u"union",
    u"unions",     u"uns",        u"upas",     u"valley",    u"valleys",    u"vally",
    u"vdct",       u"via",        u"viadct",   u"viaduct",   u"view",       u"views",
    u"vill",       u"villag",     u"village",  u"villages",  u"ville",      u"villg",
    u"villiage",   u"vis",        u"vist",     u"vista",     u"vl",         u"vlg",
    u"vlgs",       u"vlly",       u"vly",      u"vlys",      u"vst",        u"vsta",
    u"vw",         u"vws",        u"walk",     u"walks",     u"wall",       u"way",
    u"ways",       u"well",       u"wells",    u"wl",        u"wls",        u"wy",
    u"xing",       u"xrd",        u"xrds",
};

constexpr std::u16string_view kUKSuffixes[] = {
    u"ave",   u"avenue", u"cl",    u"close",   u"court", u"cres",   u"crescent",
    u"ct",    u"dr",     u"drive", u"gardens", u"gdns",  u"gr",     u"green",
    u"grove", u"hill",   u"lane",  u"ln",      u"mews",  u"parade", u"park",
    u"pl",    u"place",  u"quay",  u"rd",      u"rise",  u"road",   u"row",
    u"sq",    u"square", u"st",    u"street",  u"tce",   u"ter",    u"terrace",
    u"vale",  u"view",   u"walk",  u"way",     u"wharf", u"yard",
};

constexpr std::u16string_view kGermanSuffixes[] = {
    u"allee", u"chaussee", u"damm", u"gasse",   u"markt",  u"pfad", u"platz", u"promenade",
    u"ring",  u"steig",    u"str",  u"strasse", u"straße", u"ufer", u"weg",
};

constexpr std::u16string_view kUnits[] = {
    u"#",   u"apartment", u"apt",  u"bldg",  u"building", u"dept", u"fl",    u"floor", u"lot",
    u"pmb", u"rm",        u"room", u"space", u"spc",      u"ste",  u"suite", u"trlr",  u"unit",
};

constexpr std::u16string_view kDirectionals[] = {
    u"e", u"east", u"n",     u"ne",        u"north",     u"northeast", u"northwest", u"nw",
    u"s", u"se",   u"south", u"southeast", u"southwest", u"sw",        u"w",         u"west",
};

constexpr std::u16string_view kCommonSuffixes[] = {
    u"alley",   u"aly",   u"ave",     u"avenue",   u"blvd",  u"boulevard",  u"cir",
    u"circle",  u"court", u"ct",      u"dr",       u"drive", u"expressway", u"expy",
    u"freeway", u"fwy",   u"highway", u"hwy",      u"lane",  u"ln",         u"loop",
    u"parkway", u"pike",  u"pkwy",    u"pl",       u"place", u"plaza",      u"plz",
    u"rd",      u"road",  u"sq",      u"square",   u"st",    u"street",     u"ter",
    u"terrace", u"tpke",  u"trl",     u"turnpike", u"way",
};

constexpr std::u16string_view kMailLines[] = {
    u"apartment",  u"apt",  u"attention", u"attn", u"bin",   u"bldg",     u"building",
    u"department", u"dept", u"drop",      u"file", u"floor", u"mailcode", u"mailstop",
    u"mc",         u"ms",   u"msc",       u"pmb",  u"ste",   u"suite",
};

constexpr std::u16string_view kBoxStarts[] = {
    u"apartment", u"apt",   u"attention",  u"attn", u"bin",     u"bldg", u"box",
    u"building",  u"cmr",   u"department", u"dept", u"drawer",  u"drop", u"file",
    u"floor",     u"hc",    u"hcr",        u"lock", u"lockbox", u"mail", u"mailcode",
    u"mailstop",  u"mc",    u"ms",         u"msc",  u"p",       u"pmb",  u"po",
    u"pob",       u"pobox", u"post",       u"psc",  u"r",       u"rfd",  u"route",
    u"rr",        u"rte",   u"rural",      u"ste",  u"suite",   u"unit",
};

constexpr std::u16string_view kBeforePlace[] = {
    u"a",       u"account", u"address",  u"an",       u"and",      u"at",          u"back",
    u"based",   u"batch",   u"booking",  u"but",      u"by",       u"call",        u"case",
    u"claim",   u"code",    u"customer", u"device",   u"employee", u"for",         u"from",
    u"go",      u"he",      u"her",      u"here",     u"his",      u"home",        u"i",
    u"id",      u"in",      u"into",     u"invoice",  u"is",       u"it",          u"item",
    u"its",     u"job",     u"live",     u"lived",    u"lives",    u"located",     u"mail",
    u"me",      u"meet",    u"member",   u"moved",    u"my",       u"near",        u"no",
    u"now",     u"number",  u"of",       u"office",   u"on",       u"or",          u"order",
    u"our",     u"patient", u"pin",      u"policy",   u"product",  u"record",      u"ref",
    u"request", u"room",    u"send",     u"serial",   u"session",  u"she",         u"ship",
    u"so",      u"student", u"than",     u"the",      u"their",    u"then",        u"there",
    u"they",    u"this",    u"ticket",   u"to",       u"tracking", u"transaction", u"us",
    u"user",    u"via",     u"visit",    u"visiting", u"was",      u"we",          u"welcome",
    u"with",    u"you",     u"your",     u"zip",
};

constexpr std::u16string_view kBeforeStreet[] = {
    u"addr",   u"address", u"at",      u"behind",   u"beside",   u"by",      u"deliver", u"from",
    u"into",   u"is",      u"live",    u"lived",    u"lives",    u"located", u"mail",    u"near",
    u"office", u"on",      u"onto",    u"opposite", u"outside",  u"past",    u"reach",   u"ship",
    u"to",     u"toward",  u"towards", u"visit",    u"visiting", u"was",
};

constexpr std::u16string_view kLeadToPlace[] = {
    u"address", u"and",  u"at",    u"based", u"from",     u"in",   u"into",
    u"is",      u"live", u"lived", u"lives", u"located",  u"near", u"of",
    u"or",      u"to",   u"via",   u"visit", u"visiting",
};

constexpr std::u16string_view kBeforeCount[] = {
    u"aisle",  u"channel",  u"chapter", u"day",   u"episode", u"exit",   u"fig",     u"figure",
    u"flight", u"floor",    u"gate",    u"grade", u"hole",    u"issue",  u"item",    u"level",
    u"line",   u"lot",      u"mile",    u"model", u"no",      u"number", u"p",       u"page",
    u"part",   u"platform", u"pp",      u"room",  u"row",     u"season", u"seat",    u"section",
    u"size",   u"step",     u"table",   u"track", u"ver",     u"verse",  u"version", u"vol",
    u"volume", u"week",     u"year",
};

constexpr std::u16string_view kStateCodes[] = {
    u"AK", u"AL", u"AR", u"AS", u"AZ", u"CA", u"CO", u"CT", u"DC", u"DE", u"FL", u"GA",
    u"GU", u"HI", u"IA", u"ID", u"IL", u"IN", u"KS", u"KY", u"LA", u"MA", u"MD", u"ME",
    u"MI", u"MN", u"MO", u"MP", u"MS", u"MT", u"NC", u"ND", u"NE", u"NH", u"NJ", u"NM",
    u"NV", u"NY", u"OH", u"OK", u"OR", u"PA", u"PR", u"RI", u"SC", u"SD", u"TN", u"TX",
    u"UT", u"VA", u"VI", u"VT", u"WA", u"WI", u"WV", u"WY",
};

constexpr std::u16string_view kStateNames[] = {
    u"alabama",        u"alaska",
    u"american samoa", u"arizona",
    u"arkansas",       u"california",
    u"colorado",       u"connecticut",
    u"delaware",       u"district of columbia",
    u"florida",        u"georgia",
    u"guam",           u"hawaii",
    u"idaho",          u"illinois",
    u"indiana",        u"iowa",
    u"kansas",         u"kentucky",
    u"louisiana",      u"maine",
    u"maryland",       u"massachusetts",
    u"michigan",       u"minnesota",
    u"mississippi",    u"missouri",
    u"montana",        u"nebraska",
    u"nevada",         u"new hampshire",
    u"new jersey",     u"new mexico",
    u"new york",       u"north carolina",
    u"north dakota",   u"northern mariana islands",
    u"ohio",           u"oklahoma",
    u"oregon",         u"pennsylvania",
    u"puerto rico",    u"rhode island",
    u"south carolina", u"south dakota",
    u"tennessee",      u"texas",
    u"utah",           u"vermont",
    u"virgin islands", u"virginia",
    u"washington",     u"west virginia",
    u"wisconsin",      u"wyoming",
};

constexpr std::u16string_view kCodesAlsoWords[] = {
    u"al", u"as", u"co", u"de", u"hi", u"id", u"in", u"la", u"ma",
    u"me", u"mi", u"mo", u"ne", u"oh", u"ok", u"or", u"pa",
};

constexpr std::u16string_view kStateAbbreviations[] = {
    u"ala",  u"ariz", u"ark",  u"calif", u"colo", u"conn", u"del",  u"fla",  u"ga",   u"ill",
    u"ind",  u"kan",  u"kans", u"ky",    u"la",   u"mass", u"md",   u"mich", u"minn", u"miss",
    u"mo",   u"mont", u"neb",  u"nebr",  u"nev",  u"okla", u"ore",  u"oreg", u"pa",   u"penn",
    u"tenn", u"tex",  u"va",   u"vt",    u"wash", u"wis",  u"wisc", u"wyo",
};

constexpr std::u16string_view kAfterStreet[] = {
    u"across", u"after", u"and",   u"at",       u"before",  u"between", u"by",
    u"for",    u"from",  u"had",   u"has",      u"i",       u"in",      u"is",
    u"near",   u"next",  u"on",    u"or",       u"since",   u"then",    u"they",
    u"this",   u"to",    u"today", u"tomorrow", u"tonight", u"until",   u"was",
    u"we",     u"where", u"which", u"will",     u"with",    u"you",
};

constexpr std::u16string_view kPlaceParticles[] = {
    u"au", u"aux", u"by", u"da",  u"de",  u"del", u"della", u"des", u"di",  u"du",
    u"la", u"las", u"le", u"les", u"los", u"of",  u"on",    u"sur", u"the", u"upon",
};

// Spelled out, as buildings name their number: "One Microsoft Way".
constexpr std::u16string_view kNumberWords[] = {
    u"eight", u"eleven", u"five", u"four",  u"nine",   u"one",
    u"seven", u"six",    u"ten",  u"three", u"twelve", u"two",
};

// Words that begin a street's name, the name following them: "Via Verde", "Calle Ocho",
// "Rue Royale", "Camino del Mar".
constexpr std::u16string_view kStreetPrefixes[] = {
    u"avenida", u"calle", u"camino", u"paseo", u"rue", u"via",
};

// Three-digit ZIP prefixes by state, in the order of the codes.
struct ZIPRange {
  std::u16string_view code;
  unsigned first, last;
};
constexpr ZIPRange kZIPRanges[] = {
    {u"AA", 340, 340}, {u"AE", 90, 98},   {u"AK", 995, 999}, {u"AL", 350, 369}, {u"AP", 962, 966},
    {u"AR", 716, 729}, {u"AS", 967, 967}, {u"AZ", 850, 865}, {u"CA", 900, 961}, {u"CO", 800, 816},
    {u"CT", 60, 69},   {u"DC", 200, 205}, {u"DC", 569, 569}, {u"DE", 197, 199}, {u"FL", 320, 349},
    {u"GA", 300, 319}, {u"GA", 398, 399}, {u"GU", 969, 969}, {u"HI", 967, 968}, {u"IA", 500, 528},
    {u"ID", 832, 838}, {u"IL", 600, 629}, {u"IN", 460, 479}, {u"KS", 660, 679}, {u"KY", 400, 427},
    {u"LA", 700, 714}, {u"MA", 10, 27},   {u"MA", 55, 55},   {u"MD", 206, 219}, {u"ME", 39, 49},
    {u"MI", 480, 499}, {u"MN", 550, 567}, {u"MO", 630, 658}, {u"MP", 969, 969}, {u"MS", 386, 397},
    {u"MT", 590, 599}, {u"NC", 270, 289}, {u"ND", 580, 588}, {u"NE", 680, 693}, {u"NH", 30, 38},
    {u"NJ", 70, 89},   {u"NM", 870, 884}, {u"NV", 889, 898}, {u"NY", 5, 5},     {u"NY", 63, 63},
    {u"NY", 100, 149}, {u"OH", 430, 459}, {u"OK", 730, 749}, {u"OR", 970, 979}, {u"PA", 150, 196},
    {u"PR", 6, 9},     {u"RI", 28, 29},   {u"SC", 290, 299}, {u"SD", 570, 577}, {u"TN", 370, 385},
    {u"TX", 733, 733}, {u"TX", 750, 799}, {u"TX", 885, 885}, {u"UT", 840, 847}, {u"VA", 201, 201},
    {u"VA", 220, 246}, {u"VI", 8, 8},     {u"VT", 50, 59},   {u"WA", 980, 994}, {u"WI", 530, 549},
    {u"WV", 247, 268}, {u"WY", 820, 831},
};

template <std::size_t N>
bool contains(const std::u16string_view (&table)[N], std::u16string_view word) {
  return std::binary_search(std::begin(table), std::end(table), word);
}

}  // namespace

bool isUSStreetSuffix(std::u16string_view folded) {
  return contains(kUSSuffixes, folded);
}

bool isUKStreetSuffix(std::u16string_view folded) {
  return contains(kUKSuffixes, folded);
}

bool endsWithGermanStreetSuffix(std::u16string_view folded) {
  return std::any_of(std::begin(kGermanSuffixes), std::end(kGermanSuffixes),
                     [&](std::u16string_view s) { return folded.ends_with(s); });
}

bool isUnitDesignator(std::u16string_view folded) {
  return contains(kUnits, folded);
}

bool isDirectional(std::u16string_view folded) {
  return contains(kDirectionals, folded);
}

bool isCommonStreetSuffix(std::u16string_view folded) {
  return contains(kCommonSuffixes, folded);
}

bool isMailLineDesignator(std::u16string_view folded) {
  return contains(kMailLines, folded);
}

bool beginsBoxRouteOrMailLine(std::u16string_view folded) {
  // Asked of every word: most are ruled out by their length or first letter.
  if (folded.empty() || folded.size() > 10) return false;
  switch (folded[0]) {
    case u'a':
    case u'b':
    case u'c':
    case u'd':
    case u'f':
    case u'h':
    case u'l':
    case u'm':
    case u'p':
    case u'r':
    case u's':
    case u'u':
      return contains(kBoxStarts, folded);
    default:
      return false;
  }
}

bool isWordBeforePlace(std::u16string_view folded) {
  return contains(kBeforePlace, folded);
}

bool isWordBeforeStreet(std::u16string_view folded) {
  return contains(kBeforeStreet, folded);
}

bool isWordLeadingToPlace(std::u16string_view folded) {
  return contains(kLeadToPlace, folded);
}

bool isWordBeforeCount(std::u16string_view folded) {
  return contains(kBeforeCount, folded);
}

bool isWordAfterStreet(std::u16string_view folded) {
  return contains(kAfterStreet, folded);
}

bool isPlaceParticle(std::u16string_view folded) {
  return contains(kPlaceParticles, folded);
}

bool isNumberWord(std::u16string_view folded) {
  return contains(kNumberWords, folded);
}

bool isStreetPrefix(std::u16string_view folded) {
  return contains(kStreetPrefixes, folded);
}

bool isUSStateCode(std::u16string_view upper) {
  return contains(kStateCodes, upper);
}

bool isUSStateName(std::u16string_view folded) {
  return contains(kStateNames, folded);
}

bool isStateCodeAlsoAWord(std::u16string_view folded) {
  return contains(kCodesAlsoWords, folded);
}

bool isUSStateAbbreviation(std::u16string_view folded) {
  return contains(kStateAbbreviations, folded);
}

bool isZIPPrefixOfState(std::u16string_view upperCode, unsigned prefix) {
  auto first =
      std::lower_bound(std::begin(kZIPRanges), std::end(kZIPRanges), upperCode,
                       [](const ZIPRange& r, std::u16string_view c) { return r.code < c; });
  if (first == std::end(kZIPRanges) || first->code != upperCode) return true;
  for (auto r = first; r != std::end(kZIPRanges) && r->code == upperCode; ++r)
    if (prefix >= r->first && prefix <= r->last) return true;
  return false;
}

}  // namespace foundation::detect
