// Mineral lookup and locality completion against a bare substring search of the same
// needle over the same text. Both sides scan the whole text (the wanted entry is the last
// one, or there is none), so the ratio shows what the scans and the result cost on top.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "stores/LocalityCache.h"
#include "stores/MineralLookup.h"
#include "stores/TextCase.h"

namespace {

std::string randomWord(std::mt19937& rng, char first, int minLength, int maxLength) {
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::uniform_int_distribution<int> letter(0, 25);
    std::string word;
    const int n = length(rng);
    for (int i = 0; i < n; ++i)
        word += static_cast<char>(first + letter(rng));
    return word;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

// A listing in the database's layout, about `bytes` long. Names and formulas are random;
// the last name is returned in `lastName`.
std::string syntheticDatabase(std::size_t bytes, std::string& lastName) {
    std::mt19937 rng(1234);
    const char* systems[] = {"cubic", "trigonal", "monoclinic", "orthorhombic", "triclinic"};
    std::string text;
    text.reserve(bytes + 128);
    while (text.size() < bytes) {
        lastName = randomWord(rng, 'A', 5, 14) + "ITE";
        std::string formula = randomWord(rng, 'A', 1, 1) + "a2+ " + randomWord(rng, 'a', 1, 1) +
                              "(SiO4)" + std::to_string(rng() % 9 + 1);
        text += "| " + padded(lastName, 22) + "| " + padded(formula, 24) + "| " +
                systems[rng() % 5] + " |\r\n";
    }
    return text;
}

// A locality cache of `entries` lines; the last locality is returned in `lastLocality`.
std::string syntheticCache(int entries, std::string& lastLocality) {
    std::mt19937 rng(99);
    std::string text;
    for (int i = 0; i < entries; ++i) {
        lastLocality = randomWord(rng, 'A', 1, 1) + randomWord(rng, 'a', 4, 10) + ", " +
                       randomWord(rng, 'A', 1, 1) + randomWord(rng, 'a', 4, 9) + ", Sweden";
        text += "|" + lastLocality + "\r\n";
    }
    return text;
}

struct Database {
    std::string text;
    std::string lastName;
    explicit Database(std::size_t bytes) { text = syntheticDatabase(bytes, lastName); }
};

const Database& database(bool large) {
    static const Database small(400 * 1024); // about the 6,100 entries of the species list
    static const Database big(5 * 1024 * 1024);
    return large ? big : small;
}

// Typed text: the last entry's name in lower case, or a name that is not there.
std::string typedName(const Database& db, bool present) {
    return present ? qlx::lowerCaseText(db.lastName) : std::string("unobtainium");
}

void BM_MineralLookup(benchmark::State& state) {
    const Database& db = database(state.range(0) != 0);
    const std::string typed = typedName(db, state.range(1) != 0);
    for (auto _ : state) {
        qlx::MineralLookupResult r = qlx::lookupMineral(db.text, typed);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * db.text.size()));
}

void BM_MineralBareFind(benchmark::State& state) {
    const Database& db = database(state.range(0) != 0);
    const std::string needle = qlx::mineralSearchKey(typedName(db, state.range(1) != 0));
    for (auto _ : state) {
        std::size_t at = db.text.find(needle);
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * db.text.size()));
}

// Arguments: database (0: 400 KB, 1: 5 MiB), wanted entry present (1: last entry, 0: none).
void databaseArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"db5MiB", "present"});
    for (int size : {0, 1})
        for (int present : {1, 0})
            b->Args({size, present});
}

BENCHMARK(BM_MineralLookup)->Apply(databaseArgs);
BENCHMARK(BM_MineralBareFind)->Apply(databaseArgs);

struct Cache {
    std::string text;
    std::string lastLocality;
    Cache() { text = syntheticCache(10000, lastLocality); }
};

const Cache& cache() {
    static const Cache c;
    return c;
}

void BM_LocalityCompletion(benchmark::State& state) {
    const Cache& c = cache();
    // The last locality, so the whole cache is scanned before the match.
    const std::string typed = state.range(0) ? c.lastLocality : std::string("Nowhere");
    for (auto _ : state) {
        qlx::LocalityCompletion r = qlx::completeLocality(c.text, typed, "Edit1");
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}

void BM_LocalityBareFind(benchmark::State& state) {
    const Cache& c = cache();
    const std::string needle = "|" + (state.range(0) ? c.lastLocality : std::string("Nowhere"));
    for (auto _ : state) {
        std::size_t at = c.text.find(needle);
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}

BENCHMARK(BM_LocalityCompletion)->ArgName("present")->Arg(1)->Arg(0);
BENCHMARK(BM_LocalityBareFind)->ArgName("present")->Arg(1)->Arg(0);

} // namespace

BENCHMARK_MAIN();
