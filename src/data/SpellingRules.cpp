#include "SpellingRules.h"

#include <charconv>
#include <cstdint>

namespace tovelo::spelling {
namespace {

constexpr std::u32string_view kVowels = U"aeiouãõ";
constexpr std::u32string_view kFront = U"eiy";

constexpr Rule kRules[] = {
    // Words that changed as a whole, and words kept from a rule below ("sob", "ah").
    {At::WholeWord, U"ah", U"ah"},
    {At::WholeWord, U"oh", U"oh"},
    {At::WholeWord, U"sob", U"sob"},
    {At::WholeWord, U"rocha", U"rocha"},
    {At::WholeWord, U"dous", U"dois"},
    {At::WholeWord, U"amen", U"amem"},
    {At::WholeWord, U"quiz", U"quis"},
    {At::WholeWord, U"mez", U"mes"},
    {At::WholeWord, U"atraz", U"atras"},
    {At::WholeWord, U"detraz", U"detras"},
    {At::WholeWord, U"satanaz", U"satanas"},
    {At::WordEnd, U"teem", U"tem"},
    {At::WholeWord, U"quasi", U"quase"},
    {At::WholeWord, U"calix", U"calice"},
    {At::WholeWord, U"tribu", U"tribo"},
    {At::WholeWord, U"tribus", U"tribos"},
    {At::WholeWord, U"mezes", U"meses"},
    {At::WholeWord, U"paiz", U"pais"},
    {At::WholeWord, U"creei", U"criei"},
    {At::WholeWord, U"conveem", U"convem"},
    {At::WholeWord, U"heroe", U"heroi"},
    {At::WholeWord, U"heroes", U"herois"},
    {At::WholeWord, U"anzoes", U"anzois"},
    {At::WholeWord, U"lençoes", U"lençois"},
    {At::WholeWord, U"destroes", U"destrois"},
    {At::WholeWord, U"oleo", U"oleo"},
    {At::WholeWord, U"gemeo", U"gemeo"},
    {At::WholeWord, U"gemeos", U"gemeos"},
    {At::WholeWord, U"idoneo", U"idoneo"},
    {At::WholeWord, U"idoneos", U"idoneos"},
    {At::WholeWord, U"craneo", U"cranio"},
    {At::WholeWord, U"poude", U"pode"},
    {At::WholeWord, U"poderam", U"puderam"},
    // Names a modern edition writes otherwise than the rules would.
    {At::WholeWord, U"david", U"davi"},
    {At::WholeWord, U"jacob", U"jaco"},
    {At::WholeWord, U"job", U"jo"},
    {At::WholeWord, U"lot", U"lo"},
    {At::WholeWord, U"goliath", U"golias"},
    {At::WholeWord, U"nazareth", U"nazare"},
    {At::WholeWord, U"jonathan", U"jonatas"},
    {At::WholeWord, U"gideon", U"gideao"},
    {At::WholeWord, U"simeon", U"simeao"},
    {At::WholeWord, U"michael", U"miguel"},
    {At::WholeWord, U"manasseh", U"manasses"},
    {At::WholeWord, U"leah", U"lia"},
    {At::WholeWord, U"elisabeth", U"isabel"},
    {At::WholeWord, U"chypre", U"chipre"},
    {At::WholeWord, U"japhet", U"jafe"},
    {At::WholeWord, U"japheth", U"jafe"},
    {At::WholeWord, U"josaphat", U"josafa"},
    {At::WholeWord, U"isaac", U"isaque"},
    {At::WholeWord, U"nabucodonozor", U"nabucodonosor"},
    {At::WholeWord, U"timotheo", U"timoteo"},
    {At::WholeWord, U"hai", U"ai"},
    {At::WholeWord, U"hoseas", U"oseias"},
    {At::WholeWord, U"magdalena", U"madalena"},
    {At::WholeWord, U"methusala", U"matusalem"},
    {At::WholeWord, U"gethsemane", U"getsemani"},
    {At::WholeWord, U"melchizedec", U"melquisedeque"},
    {At::WholeWord, U"capernaum", U"cafarnaum"},
    {At::WholeWord, U"joachaz", U"jeoacaz"},
    // Word starts that changed.
    {At::WordStart, U"cousa", U"coisa"},
    {At::WordStart, U"egrej", U"igrej"},
    {At::WordStart, U"edad", U"idad"},
    {At::WordStart, U"similh", U"semelh"},
    {At::WordStart, U"logar", U"lugar"},
    {At::WordStart, U"cincoent", U"cinquent"},
    {At::WordStart, U"peior", U"pior"},
    {At::WordStart, U"pateo", U"patio"},
    {At::WordStart, U"escarneo", U"escarnio"},
    {At::WordStart, U"herv", U"erv"},
    {At::WordStart, U"hombr", U"ombr"},
    {At::WordStart, U"hontem", U"ontem"},
    {At::WordStart, U"humid", U"umid"},
    {At::WordStart, U"dextr", U"destr"},
    {At::WordStart, U"descanç", U"descans"},
    {At::WordStart, U"cançad", U"cansad"},
    {At::WordStart, U"magest", U"majest"},
    {At::WordStart, U"taboa", U"tabua"},
    {At::WordStart, U"sign", U"sin", {}, U"a"},
    {At::WordStart, U"assign", U"assin"},
    {At::WordStart, U"resusc", U"ressusc"},
    {At::WordStart, U"resurr", U"ressurr"},
    {At::WordStart, U"dezese", U"dezesse"},
    {At::WordStart, U"bemaventur", U"bem-aventur"},
    {At::WordStart, U"cre", U"cri", {}, U"ao"},
    {At::WordStart, U"podess", U"pudess"},
    {At::WordStart, U"podeste", U"pudeste"},
    {At::WordStart, U"quize", U"quise"},
    {At::WordStart, U"carmez", U"carmes"},
    {At::WordStart, U"rept", U"rept"},
    {At::WordStart, U"braz", U"bras"},
    {At::WordStart, U"abraz", U"abras"},
    {At::WordStart, U"defez", U"defes"},
    {At::WordStart, U"despez", U"despes"},
    {At::WordStart, U"princez", U"princes"},
    {At::WordStart, U"turquez", U"turques"},
    {At::WordStart, U"montez", U"montes"},
    {At::WordStart, U"apez", U"apes"},
    {At::WordStart, U"pezo", U"peso"},
    {At::WordStart, U"peza", U"pesa"},
    {At::WordStart, U"peze", U"pese"},
    {At::WordStart, U"piz", U"pis"},
    {At::WordStart, U"soceg", U"sosseg"},
    {At::WordStart, U"vasi", U"vazi", {}, U"oa"},
    {At::WordStart, U"atemoris", U"atemoriz"},
    {At::WordStart, U"lisonge", U"lisonje"},
    {At::WordStart, U"mangedoura", U"manjedoura"},
    {At::WordStart, U"grange", U"granje"},
    {At::WordStart, U"deant", U"diant"},
    {At::WordStart, U"adeant", U"adiant"},
    {At::WordStart, U"cubiç", U"cobiç"},
    {At::WordStart, U"canç", U"cans", {}, U"aoe"},
    {At::WordStart, U"edos", U"idos"},
    {At::WordStart, U"sobres", U"sobress", {}, kVowels},
    {At::WordStart, U"deminu", U"diminu"},
    {At::WordStart, U"resoa", U"ressoa"},
    {At::WordStart, U"ancios", U"ansios"},
    {At::WordStart, U"chald", U"cald"},
    {At::WordStart, U"cher", U"quer"},
    {At::WordStart, U"eunuch", U"eunuc"},
    {At::WordStart, U"drachm", U"dracm"},
    {At::WordStart, U"didrachm", U"didracm"},
    {At::WordStart, U"arch", U"arqu", {}, kFront},
    {At::WordStart, U"arch", U"arc"},
    {At::WordEnd, U"rcha", U"rca"},
    {At::WordEnd, U"rchas", U"rcas"},
    {At::WordStart, U"procre", U"procri", {}, U"ao"},
    {At::WordStart, U"sc", U"c", {}, kFront},
    {At::WordStart, U"ps", U"s"},
    {At::WordStart, U"sm", U"esm"},
    {At::Anywhere, U"egual", U"igual"},
    {At::Anywhere, U"augment", U"aument"},
    {At::Anywhere, U"visinh", U"vizinh"},
    {At::Anywhere, U"ãosinh", U"ãozinh"},
    {At::Anywhere, U"õesinh", U"õezinh"},
    {At::Anywhere, U"iasinh", U"iazinh"},
    // "poz", "propoz", "puzeram", "impozeram": "pôs", "propôs", "puseram", "impuseram".
    {At::WordEnd, U"poz", U"pos"},
    {At::WordEnd, U"puz", U"pus"},
    {At::Anywhere, U"poze", U"puse"},
    {At::Anywhere, U"puze", U"puse"},
    // The last letters of names: "Moab" is "Moabe" today, "Ruth" "Rute", "Lamech" "Lameque",
    // "Sidon" "Sidom", "Canaan" "Canaã", "Judah" "Judá".
    {At::WordEnd, U"b", U"be"},
    {At::WordEnd, U"d", U"de"},
    {At::WordEnd, U"th", U"te"},
    {At::WordEnd, U"t", U"te", {}, {}, Who::Name},
    {At::WordEnd, U"ch", U"que"},
    {At::WordEnd, U"c", U"que"},
    {At::WordEnd, U"k", U"que"},
    {At::WordEnd, U"g", U"gue"},
    {At::WordEnd, U"ph", U"fe"},
    {At::WordEnd, U"f", U"fe"},
    {At::WordEnd, U"on", U"om"},
    {At::WordEnd, U"in", U"im"},
    {At::WordEnd, U"un", U"um"},
    {At::WordEnd, U"an", U"ã"},
    // Greek and silent letters.
    {At::Anywhere, U"mph", U"nf"},
    {At::Anywhere, U"pph", U"f"},
    {At::Anywhere, U"tth", U"t"},
    {At::Anywhere, U"kk", U"c"},
    {At::Anywhere, U"nb", U"mb"},
    {At::Anywhere, U"np", U"mp"},
    {At::Anywhere, U"ph", U"f"},
    {At::Anywhere, U"th", U"t"},
    {At::Anywhere, U"rh", U"r"},
    {At::Anywhere, U"xh", U"x"},
    {At::Anywhere, U"dh", U"d"},
    {At::Anywhere, U"cq", U"q"},
    {At::Anywhere, U"chr", U"cr"},
    {At::Anywhere, U"chl", U"cl"},
    {At::Anywhere, U"sch", U"sc"},
    {At::Anywhere, U"ch", U"qu", {}, kFront, Who::Name},
    {At::Anywhere, U"ch", U"c", {}, {}, Who::Name},
    {At::Anywhere, U"sh", U"s"},
    {At::Anywhere, U"k", U"qu", {}, kFront},
    {At::Anywhere, U"k", U"c"},
    {At::Anywhere, U"y", U"i"},
    {At::Anywhere, U"mpt", U"nt"},
    {At::Anywhere, U"mpç", U"nç"},
    {At::Anywhere, U"cç", U"ç"},
    {At::Anywhere, U"pç", U"ç"},
    {At::Anywhere, U"ct", U"t"},
    {At::Anywhere, U"pt", U"t"},
    {At::Anywhere, U"mn", U"n", {}, {}, Who::Common},
    // Doubled consonants (rr and ss still tell words apart today).
    {At::Anywhere, U"cc", U"c"},
    {At::Anywhere, U"ll", U"l"},
    {At::Anywhere, U"nn", U"n"},
    {At::Anywhere, U"ff", U"f"},
    {At::Anywhere, U"tt", U"t"},
    {At::Anywhere, U"mm", U"m"},
    {At::Anywhere, U"pp", U"p"},
    {At::Anywhere, U"bb", U"b"},
    {At::Anywhere, U"dd", U"d"},
    {At::Anywhere, U"gg", U"g"},
    {At::Anywhere, U"zz", U"z"},
    {At::Anywhere, U"oir", U"our", {}, U"ao"},
    // Endings: "pae", "louvae", "quaes" (not "pães"), "Judea", "judeos", "possue", "veiu".
    {At::WordEnd, U"eiu", U"eio"},
    {At::Anywhere, U"eia", U"ea", {}, U"rv"},
    {At::Anywhere, U"eiand", U"eand"},
    {At::WordEnd, U"ae", U"ai"},
    {At::WordEnd, U"aes", U"ais"},
    {At::WordEnd, U"ea", U"eia"},
    {At::WordEnd, U"eas", U"eias"},
    {At::WordEnd, U"eo", U"eu"},
    {At::WordEnd, U"eos", U"eus"},
    {At::WordEnd, U"ue", U"ui", U"^qg", {}, Who::Any, true},
    {At::WordEnd, U"ues", U"uis", U"^qg", {}, Who::Any, true},
    {At::WordEnd, U"h", U"", kVowels},
    // The endings of a verb after a hyphen: "far-se-ha" is "far-se-á" today.
    {At::WholeWord, U"ha", U"a", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"has", U"as", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hei", U"ei", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hemos", U"emos", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"heis", U"eis", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hão", U"ão", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hia", U"ia", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hias", U"ias", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hiamos", U"iamos", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hieis", U"ieis", {}, {}, Who::AfterHyphen},
    {At::WholeWord, U"hiam", U"iam", {}, {}, Who::AfterHyphen},
    // h between vowels ("sahiu", "Abrahão"); m before a consonant but b and p ("comtigo").
    {At::Anywhere, U"h", U"", kVowels, kVowels},
    {At::Anywhere, U"m", U"n", {}, U"^aeiouyãõbpmnh"},
};

constexpr Compound kCompounds[] = {
    {U"beth-el", U"betel"},
    {U"beth-lehem", U"belem"},
    {U"bethlehem", U"belem"},
    {U"beer-seba", U"berseba"},
};

constexpr std::u32string_view kCommonStarts[] = {
    U"ach", U"cham", U"cheg", U"chei", U"chor", U"chuv", U"chov", U"ench", U"fech", U"frech",
    U"mach", U"toch",
};

constexpr std::u32string_view kContractedAfterDe[] = {
    U"ele",   U"ela",     U"eles",    U"elas",    U"este",    U"esta",   U"estes",
    U"estas", U"esse",    U"essa",    U"esses",   U"essas",   U"isto",   U"isso",
    U"aquele", U"aquela", U"aqueles", U"aquelas", U"aquilo",  U"aqui",   U"ali",
    U"ai",    U"acola",   U"alem",    U"aquem",   U"entre",
};

// Raised whenever the folding changes in a way the tables do not show.
constexpr std::u32string_view kRevision = U"5";

} // namespace

std::span<const Rule> rules() {
    return kRules;
}

std::span<const Compound> compounds() {
    return kCompounds;
}

std::span<const std::u32string_view> commonStarts() {
    return kCommonStarts;
}

std::span<const std::u32string_view> contractedAfterDe() {
    return kContractedAfterDe;
}

std::string rulesVersion() {
    // FNV-1a over every table and the revision.
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](std::u32string_view s) {
        for (char32_t c : s)
            hash = (hash ^ c) * 1099511628211ull;
        hash = (hash ^ 0xffffffffu) * 1099511628211ull;
    };
    mix(kRevision);
    for (const Rule& r : kRules) {
        const char32_t kind[] = {U'0' + char32_t(r.at), U'0' + char32_t(r.who),
                                 U'0' + char32_t(r.plain)};
        mix({kind, 3});
        mix(r.from);
        mix(r.to);
        mix(r.before);
        mix(r.after);
    }
    for (const Compound& c : kCompounds) {
        mix(c.from);
        mix(c.to);
    }
    for (std::u32string_view s : kCommonStarts)
        mix(s);
    for (std::u32string_view s : kContractedAfterDe)
        mix(s);
    char digits[17];
    const auto end = std::to_chars(digits, digits + sizeof digits, hash, 16).ptr;
    return {digits, size_t(end - digits)};
}

} // namespace tovelo::spelling
