// The cost of encoding into memory: an A4 colour page at 300 dpi exported as
// PNG and JPEG by CmiGenerateAndExport (written to a temporary file and read
// back) beside CmiGenerateAndWrite writing the same file, in the same run.
// The two results are compared once before timing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "temp_path.h"

namespace {

constexpr int32_t kWidth = 2480;   // 8.27 in at 300 dpi
constexpr int32_t kHeight = 3508;  // 11.69 in
constexpr int64_t kPageBytes = int64_t{kWidth} * kHeight * 3;

// A 24-bit packed bitmap of a smooth colour page with some texture.
HGLOBAL ColourPage() {
  static const HGLOBAL page = [] {
    const int64_t row_bytes = (int64_t{kWidth} * 3 + 3) / 4 * 4;
    const HGLOBAL handle = GlobalAlloc(GHND, 40 + row_bytes * kHeight);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(handle));
    const uint32_t header[] = {40, static_cast<uint32_t>(kWidth), static_cast<uint32_t>(kHeight), 1u | 24u << 16};
    std::memcpy(bytes, header, sizeof header);
    uint32_t state = 7;
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bytes + 40 + row_bytes * (kHeight - 1 - y);
      for (int32_t x = 0; x < kWidth; ++x) {
        state = state * 1103515245u + 12345u;
        const int noise = static_cast<int>(state >> 28);
        row[3 * x + 2] = static_cast<uint8_t>((x * 255 / kWidth + noise) & 0xFF);
        row[3 * x + 1] = static_cast<uint8_t>((y * 255 / kHeight + noise) & 0xFF);
        row[3 * x + 0] = static_cast<uint8_t>(((x + y) / 16 + noise) & 0xFF);
      }
    }
    GlobalUnlock(handle);
    return handle;
  }();
  return page;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The memory result equals the file once, else the pair is skipped.
bool SameResult(benchmark::State& state, int32_t format, const std::string& path) {
  const HGLOBAL images[] = {ColourPage()};
  int32_t status = 0, size = 0;
  if (CmiGenerateAndWrite(images, 1, path.c_str(), format, nullptr, 0, &status) != 0) {
    state.SkipWithError("file export failed");
    return false;
  }
  void* block = CmiGenerateAndExport(images, 1, format, &size, nullptr, 0, &status);
  const std::vector<uint8_t> file = FileBytes(path);
  const bool same = block != nullptr && file.size() == static_cast<size_t>(size) &&
                    std::memcmp(block, file.data(), file.size()) == 0;
  std::free(block);
  if (!same) state.SkipWithError("memory and file results differ");
  return same;
}

void ExportToMemory(benchmark::State& state, int32_t format) {
  const std::string path = TempPath("api_memory_bench_check");
  if (!SameResult(state, format, path)) return;
  std::remove(path.c_str());
  const HGLOBAL images[] = {ColourPage()};
  for (auto _ : state) {
    int32_t status = 0, size = 0;
    void* block = CmiGenerateAndExport(images, 1, format, &size, nullptr, 0, &status);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
  state.SetBytesProcessed(state.iterations() * kPageBytes);
}

void ExportToFile(benchmark::State& state, int32_t format) {
  const std::string path = TempPath("api_memory_bench_out");
  if (!SameResult(state, format, path)) return;
  const HGLOBAL images[] = {ColourPage()};
  for (auto _ : state) {
    int32_t status = 0;
    benchmark::DoNotOptimize(CmiGenerateAndWrite(images, 1, path.c_str(), format, nullptr, 0, &status));
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * kPageBytes);
}

void BM_ExportPng_ours(benchmark::State& state) { ExportToMemory(state, kCmiFormatPng); }
void BM_ExportPng_file(benchmark::State& state) { ExportToFile(state, kCmiFormatPng); }
void BM_ExportJpeg_ours(benchmark::State& state) { ExportToMemory(state, kCmiFormatJpeg); }
void BM_ExportJpeg_file(benchmark::State& state) { ExportToFile(state, kCmiFormatJpeg); }

}  // namespace

BENCHMARK(BM_ExportPng_ours)->Name("BM_ExportPng/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPng_file)->Name("BM_ExportPng/file")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportJpeg_ours)->Name("BM_ExportJpeg/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportJpeg_file)->Name("BM_ExportJpeg/file")->Unit(benchmark::kMillisecond);
