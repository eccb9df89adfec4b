// ZKNameTable<int> against std::unordered_map<std::string, int> on the same
// names: finding present names, and entering fresh names into an empty
// table. Names look like the ones a world holds ("component12",
// "component_12_wheel_front_left", ...), of varied lengths, and are looked up
// in a shuffled order so that neither table is read in insertion order.
#include <zkcp/foundation/RWCString.h>
#include <zkcp/foundation/ZKNameTable.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Names {
  std::vector<std::string> text;      // in insertion order
  std::vector<RWCString> names;       // the same bytes, as the table's key type
  std::vector<size_t> lookupOrder;    // a shuffled permutation of 0..n-1
};

std::string nameFor(size_t i) {
  std::string n = std::to_string(i);
  switch (i % 4) {
    case 0: return "component" + n;
    case 1: return "component_" + n + "_wheel";
    case 2: return "component" + n + "_body_panel_front_left";
    default: return "world/assembly/component" + n + "/transform";
  }
}

const Names& namesOf(size_t n) {
  static std::map<size_t, Names> cache;
  Names& names = cache[n];
  if (names.text.empty()) {
    for (size_t i = 0; i < n; ++i) {
      names.text.push_back(nameFor(i));
      names.names.emplace_back(names.text.back());
      names.lookupOrder.push_back(i);
    }
    std::mt19937 rng(12345);
    std::shuffle(names.lookupOrder.begin(), names.lookupOrder.end(), rng);
  }
  return names;
}

void BM_ZKNameTable_Lookup(benchmark::State& state) {
  const Names& names = namesOf(static_cast<size_t>(state.range(0)));
  ZKNameTable<int> table;
  for (size_t i = 0; i < names.names.size(); ++i) table.insert(names.names[i], static_cast<int>(i));
  size_t at = 0;
  const size_t n = names.lookupOrder.size();
  long sum = 0;
  for (auto _ : state) {
    const int* v = table.find(names.names[names.lookupOrder[at]]);
    benchmark::DoNotOptimize(v);
    sum += *v;
    if (++at == n) at = 0;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}

void BM_UnorderedMap_Lookup(benchmark::State& state) {
  const Names& names = namesOf(static_cast<size_t>(state.range(0)));
  std::unordered_map<std::string, int> table;
  for (size_t i = 0; i < names.text.size(); ++i) table.emplace(names.text[i], static_cast<int>(i));
  size_t at = 0;
  const size_t n = names.lookupOrder.size();
  long sum = 0;
  for (auto _ : state) {
    auto it = table.find(names.text[names.lookupOrder[at]]);
    benchmark::DoNotOptimize(it);
    sum += it->second;
    if (++at == n) at = 0;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}

// One iteration enters all n names into an empty table; tearing the table
// down is not timed. Items are names entered.
void BM_ZKNameTable_Insert(benchmark::State& state) {
  const Names& names = namesOf(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    auto* table = new ZKNameTable<int>;
    for (size_t i = 0; i < names.names.size(); ++i) table->insert(names.names[i], static_cast<int>(i));
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_UnorderedMap_Insert(benchmark::State& state) {
  const Names& names = namesOf(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    auto* table = new std::unordered_map<std::string, int>;
    for (size_t i = 0; i < names.text.size(); ++i) table->emplace(names.text[i], static_cast<int>(i));
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ZKNameTable_Lookup)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnorderedMap_Lookup)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ZKNameTable_Insert)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnorderedMap_Insert)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
