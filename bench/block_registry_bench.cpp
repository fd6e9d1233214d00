// Registered blocks against plain malloc/free: the cost of the registry that
// lets a context release every block it handed out.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/system/system.h"

namespace {

constexpr int kBlocks = 1024;

void BM_BlockAllocFree_ours(benchmark::State& state) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  std::vector<void*> blocks(kBlocks);
  for (auto _ : state) {
    for (void*& block : blocks) block = IpiAlloc(sys, static_cast<size_t>(state.range(0)));
    for (void* block : blocks) IpiFree(sys, block);
  }
  state.SetItemsProcessed(state.iterations() * kBlocks);
  IpiCloseSystem(sys);
}

void BM_BlockAllocFree_malloc(benchmark::State& state) {
  std::vector<void*> blocks(kBlocks);
  for (auto _ : state) {
    for (void*& block : blocks) block = std::calloc(static_cast<size_t>(state.range(0)), 1);
    for (void* block : blocks) std::free(block);
  }
  state.SetItemsProcessed(state.iterations() * kBlocks);
}

BENCHMARK(BM_BlockAllocFree_ours)->Arg(64)->Arg(4096);
BENCHMARK(BM_BlockAllocFree_malloc)->Arg(64)->Arg(4096);

}  // namespace
