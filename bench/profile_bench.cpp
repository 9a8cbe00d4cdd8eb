// The profile API against the floor of reading the same file into memory.
//
// The file has 1,000 sections of 20 keys; the read looks up a key near its
// end, the write changes that key's value. After the run the ratios to the
// floor (open + read + close, measured in the same run) are printed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/profile.h"
#include "bench_times.h"

namespace {

struct BenchFile {
  std::string folder;
  std::string posix;
  std::wstring windows;

  BenchFile() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kavro-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    folder = pattern;
    posix = folder + "/bench.ini";
    std::string text;
    for (int s = 0; s < 1000; ++s) {
      text += "[Section" + std::to_string(s) + "]\r\n";
      for (int k = 0; k < 20; ++k)
        text += "Key" + std::to_string(k) + "=value of key " + std::to_string(k) + " in " + std::to_string(s) + "\r\n";
      text += "\r\n";
    }
    FILE* f = fopen(posix.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) abort();
    fclose(f);
    windows = kavro::platform::KvWindowsPath(posix);
  }
  ~BenchFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

BenchFile& File() {
  static BenchFile file;
  return file;
}

void BM_ReadFloor(benchmark::State& state) {
  const std::string& path = File().posix;
  std::string buffer;
  for (auto _ : state) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    fstat(fd, &st);
    buffer.resize(static_cast<size_t>(st.st_size));
    ssize_t n = read(fd, buffer.data(), buffer.size());
    close(fd);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_ReadFloor);

void BM_ProfileRead(benchmark::State& state) {
  const std::wstring& path = File().windows;
  wchar_t value[256];
  for (auto _ : state) {
    DWORD n = GetPrivateProfileStringW(L"Section990", L"Key15", L"", value, 256, path.c_str());
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_ProfileRead);

void BM_ProfileWrite(benchmark::State& state) {
  const std::wstring& path = File().windows;
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    BOOL ok = WritePrivateProfileStringW(L"Section990", L"Key15", flip ? L"first new value" : L"second new value",
                                         path.c_str());
    if (!ok) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_ProfileWrite);

// Keeps the times per iteration of each run for the ratios.
void PrintRatios(const kavro::bench::TimesReporter& times) {
  const kavro::bench::RunTimes floor = times.Times("BM_ReadFloor");
  if (floor.real <= 0 || floor.cpu <= 0) return;
  for (const char* name : {"BM_ProfileRead", "BM_ProfileWrite"}) {
    const kavro::bench::RunTimes run = times.Times(name);
    if (run.real <= 0) continue;
    printf("%-16s %6.2fx the read floor (real time), %6.2fx (CPU time)\n", name, run.real / floor.real,
           run.cpu / floor.cpu);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
