// Collecting a body in 2048-byte chunks, the way the HTTP read loop does:
// CBinary's fixed-step growth against std::vector's geometric growth.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "base/binary.h"

namespace {

constexpr int kChunk = 2048;

// `total` bytes appended in chunks of kChunk to a fresh body; `grow_by` 0
// keeps the buffer's own step.
void AppendChunks(benchmark::State& state, int grow_by) {
  const int total = static_cast<int>(state.range(0));
  CBinary chunk;
  chunk.SetData(nullptr, kChunk);
  chunk.SetLength(kChunk);
  for (auto _ : state) {
    CBinary body;
    if (grow_by) body.SetGrowBy(grow_by);
    for (int n = 0; n < total; n += kChunk) body.Append(chunk);
    benchmark::DoNotOptimize(body.GetData());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_AppendChunks_CBinary(benchmark::State& state) { AppendChunks(state, 0); }

void BM_AppendChunks_StdVector(benchmark::State& state) {
  const int total = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t> chunk(kChunk);
  for (auto _ : state) {
    std::vector<std::uint8_t> body;
    for (int n = 0; n < total; n += kChunk) body.insert(body.end(), chunk.begin(), chunk.end());
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// A larger grow-by step, as a caller that knows the body is big might set.
void BM_AppendChunks_CBinaryGrowBy1MB(benchmark::State& state) { AppendChunks(state, 1 << 20); }

BENCHMARK(BM_AppendChunks_CBinary)->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendChunks_StdVector)->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendChunks_CBinaryGrowBy1MB)->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
