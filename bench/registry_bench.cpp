// The registry calls against the floor of rewriting the root's file.
//
// One key holds 10,000 values: a set changes one of them (a locked rewrite
// of the whole root file), a query reads one. The floor is what any atomic
// rewrite of that file costs: read it, write a new file beside it, rename it
// over (measured in the same run). A query in stores of 1,000 and 100,000
// keys shows that, once the file is unchanged, its cost does not grow with
// the store. Ratios are printed after the table.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

namespace {

struct Store {
  std::string folder;
  HKEY values = nullptr;

  Store() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kavro-reg-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    folder = pattern;
    setenv("KAVRO_REGISTRY_DIR", (folder + "/store").c_str(), 1);
    // 10,000 values under one key, put in through one import.
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n";
    for (int i = 0; i < 10000; ++i)
      text += "\"Value" + std::to_string(i) + "\"=\"text of value " + std::to_string(i) + "\"\r\n";
    Import(text);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Bench", 0, KEY_ALL_ACCESS, &values)) abort();
    // Stores of 1,000 and 100,000 keys in two other roots.
    for (auto [root, count] : {std::pair{"HKEY_USERS", 1000}, std::pair{"HKEY_LOCAL_MACHINE", 100000}}) {
      std::string keys = "Windows Registry Editor Version 5.00\r\n\r\n";
      for (int i = 0; i < count; ++i)
        keys += std::string("[") + root + "\\Software\\Key" + std::to_string(i) + "]\r\n\"v\"=dword:" +
                std::to_string(10000000 + i) + "\r\n\r\n";
      Import(keys);
    }
  }
  ~Store() {
    RegCloseKey(values);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  void Import(const std::string& text) {
    const std::string file = folder + "/in.reg";
    FILE* f = fopen(file.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) abort();
    fclose(f);
    if (KvRegImport(kavro::platform::KvWindowsPath(file).c_str(), nullptr)) abort();
  }
  std::string RootFile() const { return folder + "/store/HKEY_CURRENT_USER.reg"; }
};

Store& TheStore() {
  static Store store;
  return store;
}

void BM_RewriteFloor(benchmark::State& state) {
  const std::string path = TheStore().RootFile();
  const std::string temp = TheStore().folder + "/store/.floor.tmp";
  std::string buffer;
  for (auto _ : state) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    fstat(fd, &st);
    buffer.resize(static_cast<size_t>(st.st_size));
    ssize_t n = read(fd, buffer.data(), buffer.size());
    close(fd);
    int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ssize_t w = write(out, buffer.data(), static_cast<size_t>(n));
    close(out);
    benchmark::DoNotOptimize(w);
    rename(temp.c_str(), (temp + ".done").c_str());
  }
}
BENCHMARK(BM_RewriteFloor);

void BM_SetValue10k(benchmark::State& state) {
  HKEY key = TheStore().values;
  DWORD n = 0;
  for (auto _ : state) {
    ++n;
    std::wstring text = L"new text " + std::to_wstring(n);
    LONG err = RegSetValueExW(key, (L"Value" + std::to_wstring(n % 10000)).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1) * 2);
    if (err) state.SkipWithError("set failed");
  }
}
BENCHMARK(BM_SetValue10k);

void BM_QueryValue10k(benchmark::State& state) {
  HKEY key = TheStore().values;
  wchar_t text[64];
  DWORD n = 0;
  for (auto _ : state) {
    DWORD size = sizeof text / 2;
    LONG err = RegQueryValueExW(key, (L"Value" + std::to_wstring(++n % 10000)).c_str(), nullptr, nullptr,
                                reinterpret_cast<BYTE*>(text), &size);
    if (err) state.SkipWithError("query failed");
  }
}
BENCHMARK(BM_QueryValue10k);

// Open a key of the store, query its value, close it.
void QueryInStore(benchmark::State& state, HKEY root, int count) {
  TheStore();
  DWORD n = 0;
  for (auto _ : state) {
    std::wstring name = L"Software\\Key" + std::to_wstring(++n % static_cast<DWORD>(count));
    HKEY key;
    DWORD value = 0, size = 4;
    LONG err = RegOpenKeyExW(root, name.c_str(), 0, KEY_READ, &key);
    if (!err) err = RegQueryValueExW(key, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (err) state.SkipWithError("query failed");
  }
}
void BM_QueryStore1k(benchmark::State& state) { QueryInStore(state, HKEY_USERS, 1000); }
void BM_QueryStore100k(benchmark::State& state) { QueryInStore(state, HKEY_LOCAL_MACHINE, 100000); }
BENCHMARK(BM_QueryStore1k);
BENCHMARK(BM_QueryStore100k);

void PrintRatios(const kavro::bench::TimesReporter& times) {
  const kavro::bench::RunTimes floor = times.Times("BM_RewriteFloor");
  const kavro::bench::RunTimes set = times.Times("BM_SetValue10k");
  const kavro::bench::RunTimes small = times.Times("BM_QueryStore1k");
  const kavro::bench::RunTimes large = times.Times("BM_QueryStore100k");
  struct stat st;
  if (stat(TheStore().RootFile().c_str(), &st) == 0)
    printf("root file with 10,000 values: %.1f KiB\n", static_cast<double>(st.st_size) / 1024);
  if (floor.real > 0 && set.real > 0 && floor.cpu > 0)
    printf("set of one of 10,000 values: %6.2fx the rewrite floor (real time), %6.2fx (CPU time); goal 3x\n",
           set.real / floor.real, set.cpu / floor.cpu);
  if (small.real > 0 && large.real > 0 && small.cpu > 0)
    printf("query in 100,000 keys:        %6.2fx the query in 1,000 keys (real time), %6.2fx (CPU time); goal 1x\n",
           large.real / small.real, large.cpu / small.cpu);
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
