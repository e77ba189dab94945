// The multi-map and the sequence list against std::multimap and std::vector.
// Values are pointers to one shared int on both sides (the maps do not own
// them), so the figures are the containers' own cost.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "base/multi_list.h"
#include "base/multi_map.h"

namespace {

int g_value = 0;

enum Order { kAscending, kDescending, kRandom };

std::vector<int> MakeKeys(int n, Order order) {
  std::vector<int> keys(static_cast<std::size_t>(n));
  std::iota(keys.begin(), keys.end(), 0);
  if (order == kDescending) std::reverse(keys.begin(), keys.end());
  if (order == kRandom) std::shuffle(keys.begin(), keys.end(), std::mt19937(12345));
  return keys;
}

std::vector<int> RandomProbes(int n, int count = 4096) {
  std::mt19937 gen(777);
  std::uniform_int_distribution<int> pick(0, n - 1);
  std::vector<int> probes(static_cast<std::size_t>(count));
  for (int& p : probes) p = pick(gen);
  return probes;
}

void FillMap(CMultiMap<int, int>& map, const std::vector<int>& keys) {
  for (int k : keys) map.Add(k, &g_value);
}

void FillStd(std::multimap<int, int*>& map, const std::vector<int>& keys) {
  for (int k : keys) map.emplace(k, &g_value);
}

// ---- Add ----

template <Order order>
void BM_Add_MultiMap(benchmark::State& state) {
  const std::vector<int> keys = MakeKeys(static_cast<int>(state.range(0)), order);
  for (auto _ : state) {
    CMultiMap<int, int> map(FALSE);
    FillMap(map, keys);
    benchmark::DoNotOptimize(map.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <Order order>
void BM_Add_StdMultimap(benchmark::State& state) {
  const std::vector<int> keys = MakeKeys(static_cast<int>(state.range(0)), order);
  for (auto _ : state) {
    std::multimap<int, int*> map;
    FillStd(map, keys);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK_TEMPLATE(BM_Add_MultiMap, kAscending)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK_TEMPLATE(BM_Add_StdMultimap, kAscending)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK_TEMPLATE(BM_Add_MultiMap, kDescending)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK_TEMPLATE(BM_Add_StdMultimap, kDescending)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK_TEMPLATE(BM_Add_MultiMap, kRandom)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK_TEMPLATE(BM_Add_StdMultimap, kRandom)->RangeMultiplier(10)->Range(1000, 100000);

// ---- Lookup (tree built from random order) ----

// A map of n keys added in random order, asked `probe` of random keys; the
// multi-map's tree depth goes into the counters.
template <typename Probe>
void ProbeMultiMap(benchmark::State& state, Probe probe) {
  const int n = static_cast<int>(state.range(0));
  CMultiMap<int, int> map(FALSE);
  FillMap(map, MakeKeys(n, kRandom));
  const std::vector<int> probes = RandomProbes(n);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(probe(map, probes[i++ & 4095]));
  state.counters["depth"] = map.Dump(FALSE);
}

template <typename Probe>
void ProbeStdMultimap(benchmark::State& state, Probe probe) {
  const int n = static_cast<int>(state.range(0));
  std::multimap<int, int*> map;
  FillStd(map, MakeKeys(n, kRandom));
  const std::vector<int> probes = RandomProbes(n);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(probe(map, probes[i++ & 4095]));
}

void BM_Lookup_MultiMap(benchmark::State& state) {
  ProbeMultiMap(state, [](CMultiMap<int, int>& map, int key) { return map.Lookup(key); });
}

void BM_Lookup_StdMultimap(benchmark::State& state) {
  ProbeStdMultimap(state,
                   [](std::multimap<int, int*>& map, int key) { return map.find(key)->second; });
}

BENCHMARK(BM_Lookup_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_Lookup_StdMultimap)->RangeMultiplier(10)->Range(1000, 100000);

// ---- FindIndex: the i-th value ----

void BM_FindIndex_MultiMap(benchmark::State& state) {
  ProbeMultiMap(state, [](CMultiMap<int, int>& map, int index) { return map.FindIndex(index); });
}

void BM_FindIndex_StdMultimap(benchmark::State& state) {
  ProbeStdMultimap(state, [](std::multimap<int, int*>& map, int index) {
    return std::next(map.begin(), index);
  });
}

BENCHMARK(BM_FindIndex_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_FindIndex_StdMultimap)->RangeMultiplier(10)->Range(1000, 100000);

// ---- GetIndexOf: the index of a position ----

void BM_GetIndexOf_MultiMap(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CMultiMap<int, int> map(FALSE);
  FillMap(map, MakeKeys(n, kRandom));
  std::vector<POSITION> positions;
  for (int p : RandomProbes(n)) positions.push_back(map.FindKey(p));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.GetIndexOf(positions[i++ & 4095]));
  }
}

void BM_GetIndexOf_StdMultimap(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::multimap<int, int*> map;
  FillStd(map, MakeKeys(n, kRandom));
  std::vector<std::multimap<int, int*>::iterator> positions;
  for (int p : RandomProbes(n)) positions.push_back(map.find(p));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::distance(map.begin(), positions[i++ & 4095]));
  }
}

BENCHMARK(BM_GetIndexOf_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_GetIndexOf_StdMultimap)->RangeMultiplier(10)->Range(1000, 100000);

// ---- RemoveKey: every key, in random order ----

// A map of n keys (made, filled and freed untimed), then `remove` of every
// key in another random order.
template <typename Map, typename Fill, typename Remove>
void RemoveEveryKey(benchmark::State& state, Fill fill, Remove remove) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<int> keys = MakeKeys(n, kRandom);
  std::vector<int> order = keys;
  std::shuffle(order.begin(), order.end(), std::mt19937(99));
  for (auto _ : state) {
    state.PauseTiming();
    auto* map = new Map();
    fill(*map, keys);
    state.ResumeTiming();
    for (int k : order) remove(*map, k);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

struct UnowningMultiMap : CMultiMap<int, int> {
  UnowningMultiMap() : CMultiMap<int, int>(FALSE) {}
};

void BM_RemoveKey_MultiMap(benchmark::State& state) {
  RemoveEveryKey<UnowningMultiMap>(
      state, [](CMultiMap<int, int>& map, const std::vector<int>& keys) { FillMap(map, keys); },
      [](CMultiMap<int, int>& map, int key) { map.RemoveKey(key); });
}

void BM_RemoveKey_StdMultimap(benchmark::State& state) {
  RemoveEveryKey<std::multimap<int, int*>>(
      state, [](std::multimap<int, int*>& map, const std::vector<int>& keys) { FillStd(map, keys); },
      [](std::multimap<int, int*>& map, int key) { map.erase(key); });
}

BENCHMARK(BM_RemoveKey_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_RemoveKey_StdMultimap)->RangeMultiplier(10)->Range(1000, 100000);

// ---- Walks over every value ----

// Every value once, from the head or from the tail.
void WalkMultiMap(benchmark::State& state, bool forward) {
  CMultiMap<int, int> map(FALSE);
  FillMap(map, MakeKeys(static_cast<int>(state.range(0)), kRandom));
  for (auto _ : state) {
    POSITION pos = forward ? map.GetHeadPosition() : map.GetTailPosition();
    while (pos) benchmark::DoNotOptimize(forward ? map.GetNext(pos) : map.GetPrev(pos));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WalkForward_MultiMap(benchmark::State& state) { WalkMultiMap(state, true); }
void BM_WalkBackward_MultiMap(benchmark::State& state) { WalkMultiMap(state, false); }

void BM_WalkForward_StdMultimap(benchmark::State& state) {
  std::multimap<int, int*> map;
  FillStd(map, MakeKeys(static_cast<int>(state.range(0)), kRandom));
  for (auto _ : state) {
    for (const auto& pair : map) benchmark::DoNotOptimize(pair.second);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WalkForward_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_WalkBackward_MultiMap)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_WalkForward_StdMultimap)->RangeMultiplier(10)->Range(1000, 100000);

// ---- The sequence list: appending and index access ----

void BM_ListAddTail_MultiList(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CMultiList<int> list(FALSE);
    for (int i = 0; i < n; ++i) list.AddTail(&g_value);
    benchmark::DoNotOptimize(list.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_ListAddTail_StdVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<int*> list;
    for (int i = 0; i < n; ++i) list.push_back(&g_value);
    benchmark::DoNotOptimize(list.size());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_ListGetAt_MultiList(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CMultiList<int> list(FALSE);
  for (int i = 0; i < n; ++i) list.AddTail(&g_value);
  const std::vector<int> probes = RandomProbes(n);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(list.GetAt(probes[i++ & 4095]));
}

void BM_ListGetAt_StdVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<int*> list(static_cast<std::size_t>(n), &g_value);
  const std::vector<int> probes = RandomProbes(n);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(list[static_cast<std::size_t>(probes[i++ & 4095])]);
  }
}

void BM_ListGetIndexOf_MultiList(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CMultiList<int> list(FALSE);
  for (int i = 0; i < n; ++i) list.AddTail(&g_value);
  std::vector<POSITION> positions;
  for (int p : RandomProbes(n)) positions.push_back(list.FindIndex(p));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(list.GetIndexOf(positions[i++ & 4095]));
}

BENCHMARK(BM_ListAddTail_MultiList)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_ListAddTail_StdVector)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_ListGetAt_MultiList)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_ListGetAt_StdVector)->RangeMultiplier(10)->Range(1000, 100000);
BENCHMARK(BM_ListGetIndexOf_MultiList)->RangeMultiplier(10)->Range(1000, 100000);

}  // namespace
