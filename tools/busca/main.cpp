// tovelo-busca: the keyword search of the Tovelo window, from the command line.
//
// Answers on its own, with the engine's plain interface and no Qt, what it can answer at once:
// a plain typed text in a database whose search copy is up to date, named with --db or lying
// writable beside the program. Everything else (the help, an installed program's copy of the
// database, a copy to bring up to date, any failure and its message) goes to the program's own
// code, loaded from tovelo-busca-completa.so; starting Qt would cost more than the search.
#include "TypedText.h"
#include "VerseIndex.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kModule[] = "tovelo-busca-completa.so";

std::string programFolder() {
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return {};
    const std::string exe(path.data(), size_t(n));
    return exe.substr(0, exe.rfind('/'));
}

int complete(int argc, char* argv[]) {
    const std::string folder = programFolder();
    std::string why;
    for (const std::string& path :
         {folder + "/" TOVELO_MODULE_FOLDER "/" + kModule, folder + "/" + kModule}) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            why = dlerror();
            continue;
        }
        if (auto* run = reinterpret_cast<int (*)(int, char**)>(dlsym(module, "toveloBusca")))
            return run(argc, argv);
        why = dlerror();
    }
    std::fprintf(stderr, "tovelo-busca: não foi possível carregar %s: %s\n", kModule, why.c_str());
    return 2;
}

struct Request {
    std::string db;
    bool count = false;
    std::string text;
};

// The arguments as the program's own code reads them; nothing for anything it must answer.
std::optional<Request> parse(int argc, char* argv[]) {
    Request r;
    std::vector<std::string> words;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!options || a.empty() || a[0] != '-' || a == "-") {
            words.push_back(a);
        } else if (a == "--") {
            options = false;
        } else if (a == "-c") {
            r.count = true;
        } else if (a == "--db" && i + 1 < argc) {
            r.db = argv[++i];
        } else if (a.rfind("--db=", 0) == 0) {
            r.db = a.substr(5);
        } else {
            return std::nullopt;
        }
    }
    if (words.empty()) return std::nullopt;
    for (const std::string& w : words)
        r.text += (r.text.empty() ? "" : " ") + w;
    return r;
}

bool writable(const std::string& path) {
    return access(path.c_str(), W_OK) == 0;
}

// The database of a portable program folder: a writable Tovelo.mdb beside the program.
std::optional<std::string> database(const Request& r) {
    if (!r.db.empty()) return r.db;
    const std::string folder = programFolder();
    const std::string beside = folder + "/Tovelo.mdb";
    struct stat info {};
    if (stat(beside.c_str(), &info) == 0 && S_ISREG(info.st_mode) && writable(beside) &&
        writable(folder))
        return beside;
    return std::nullopt;
}

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

struct Failed {};

Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) throw Failed{};
    return Statement(s);
}

bool step(sqlite3_stmt* s) {
    const int code = sqlite3_step(s);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    throw Failed{};
}

std::string_view column(sqlite3_stmt* s, int i) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, i));
    return {bytes ? bytes : "", size_t(sqlite3_column_bytes(s, i))};
}

// The search copy as the program would leave it: of this spelling, with no chapter waiting
// and every book keyed.
bool upToDate(sqlite3* db) {
    Statement s = prepare(db, "SELECT (SELECT Versao FROM BuscaGrafia) = ?, "
                              "NOT EXISTS (SELECT 1 FROM BuscaPendente), "
                              "NOT EXISTS (SELECT 1 FROM Livros WHERE Chave IS NULL)");
    const std::string version = tovelo::searchCopyVersion();
    sqlite3_bind_text(s.get(), 1, version.data(), int(version.size()), SQLITE_STATIC);
    return step(s.get()) && sqlite3_column_int(s.get(), 0) == 1 &&
           sqlite3_column_int(s.get(), 1) == 1 && sqlite3_column_int(s.get(), 2) == 1;
}

struct Chapter {
    sqlite3_int64 id;
    std::string livro;
    int capitulo;
    const std::vector<int>* verses;
};

// The chapters found, in the window's order.
std::vector<Chapter> ordered(sqlite3* db, const tovelo::Found& found) {
    std::string ids = "[";
    for (const auto& [id, verses] : found)
        ids += std::to_string(id) + ",";
    ids.back() = ']';
    Statement s = prepare(db, "SELECT Id, Livro, Capitulo FROM Livros WHERE Id IN "
                              "(SELECT value FROM json_each(?)) "
                              "ORDER BY Chave, Capitulo, rowid");
    sqlite3_bind_text(s.get(), 1, ids.data(), int(ids.size()), SQLITE_STATIC);
    std::vector<Chapter> chapters;
    while (step(s.get())) {
        const sqlite3_int64 id = sqlite3_column_int64(s.get(), 0);
        const auto it =
            std::lower_bound(found.begin(), found.end(), id,
                             [](const auto& c, sqlite3_int64 v) { return c.first < v; });
        chapters.push_back(
            {id, std::string(column(s.get(), 1)), sqlite3_column_int(s.get(), 2), &it->second});
    }
    return chapters;
}

// How many verses the listing would give, without putting its chapters in order.
size_t counted(sqlite3* db, const tovelo::Found& found) {
    Statement s = prepare(db, "SELECT Id FROM Livros");
    size_t verses = 0;
    while (step(s.get())) {
        const sqlite3_int64 id = sqlite3_column_int64(s.get(), 0);
        const auto it =
            std::lower_bound(found.begin(), found.end(), id,
                             [](const auto& c, sqlite3_int64 v) { return c.first < v; });
        if (it != found.end() && it->first == id) verses += it->second.size();
    }
    return verses;
}

// The output, in pieces written in turn: a long listing is never copied as it grows.
using Pieces = std::vector<std::string>;

// "Livro capítulo:versículo<TAB>texto" for every verse, in order: a row per chapter.
Pieces listing(sqlite3* db, const std::vector<Chapter>& chapters) {
    Statement s = prepare(db, "SELECT Versos FROM BuscaTexto WHERE Id = ?");
    Pieces pieces;
    for (const Chapter& c : chapters) {
        const std::string start = c.livro + " " + std::to_string(c.capitulo) + ":";
        sqlite3_reset(s.get());
        sqlite3_bind_int64(s.get(), 1, c.id);
        const auto line = [&](int vers, std::string_view text) {
            const size_t size = start.size() + 12 + text.size();
            if (pieces.empty() || pieces.back().capacity() - pieces.back().size() < size)
                pieces.emplace_back().reserve(std::max<size_t>(size, 1 << 20));
            std::string& out = pieces.back();
            out += start;
            out += std::to_string(vers);
            out += '\t';
            out += text;
            out += '\n';
        };
        if (!step(s.get()) || !tovelo::eachVerseText(column(s.get(), 0), *c.verses, line))
            throw Failed{};
    }
    return pieces;
}

// The answer, or nothing when the program's own code must give it.
std::optional<std::pair<Pieces, bool>> answer(const Request& r) {
    int characters = 0;
    const std::optional<std::string> word = tovelo::foldTyped(r.text, characters);
    const std::optional<std::string> file = database(r);
    if (!word || characters < 3 || !file) return std::nullopt;
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(file->c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const Connection db(raw);
    if (opened != SQLITE_OK) return std::nullopt;
    try {
        sqlite3_busy_timeout(db.get(), 5000);
        // The index is read in place from the mapped file rather than copied page by page.
        sqlite3_exec(db.get(), "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
        if (!upToDate(db.get())) return std::nullopt;
        Statement index = prepare(db.get(), "SELECT Palavras, Lugares FROM BuscaIndice LIMIT 1");
        if (!step(index.get())) return std::nullopt;
        Statement copy = prepare(db.get(), "SELECT Texto FROM Busca WHERE Id = ?");
        Statement block = prepare(db.get(), "SELECT Versos FROM BuscaVersos WHERE Bloco = ?");
        const auto row = [](sqlite3_stmt* s, std::int64_t key) {
            sqlite3_reset(s);
            sqlite3_bind_int64(s, 1, key);
            return step(s) ? std::string(column(s, 0)) : std::string();
        };
        const std::optional<tovelo::Found> found =
            tovelo::findVerses({column(index.get(), 0), column(index.get(), 1),
                                [&](size_t n) { return row(block.get(), std::int64_t(n)); }},
                               *word, [&](std::int64_t id) { return row(copy.get(), id); });
        if (!found) return std::nullopt;
        if (found->empty()) return std::pair(r.count ? Pieces{"0\n"} : Pieces{}, false);
        if (r.count) {
            const size_t verses = counted(db.get(), *found);
            return std::pair(Pieces{std::to_string(verses) + "\n"}, verses > 0);
        }
        Pieces lines = listing(db.get(), ordered(db.get(), *found));
        const bool any = !lines.empty();
        return std::pair(std::move(lines), any);
    } catch (const Failed&) {
        return std::nullopt;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const std::optional<Request> request = parse(argc, argv);
    const std::optional<std::pair<Pieces, bool>> out = request ? answer(*request) : std::nullopt;
    if (!out) return complete(argc, argv);
    bool written = true;
    for (const std::string& piece : out->first)
        written = written && std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    if (!written || std::fflush(stdout) != 0) {
        std::fputs("tovelo-busca: não foi possível escrever\n", stderr);
        return 2;
    }
    return out->second ? 0 : 1;
}
