// Speed of the zip reader against its floors and peers, in the same run:
//   UnzipItem of a 64 MiB compressible entry to a file  vs  raw zlib
//   inflate of the same deflate bytes (to memory, and with CRC-32 and the
//   write to a file), and `unzip -p a.zip > /dev/null`;
//   listing archives of 16,384, 65,535 and 100,000 entries (the last one
//   with a zip64 end record, as every archive past 65,535 entries) with
//   GetZipItemW in ascending and in random order, against Python's
//   zipfile.ZipFile(...).infolist() (open included on both sides).
// The archives are made with the library's writer. A summary prints each
// time as a multiple of its floor or peer, the listing cost per entry (for
// linearity) and its ratio to Python's, and the growth of the peak RSS
// during extraction.
// Goals: extraction within 1.1x the inflate floor and not slower than
// unzip; listing linear in any order and faster per entry than Python;
// memory flat in entry size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

extern char** environ;

namespace {

constexpr size_t kLargeSize = 64u << 20;
constexpr int kListSizes[] = {16384, 65535, 100000};

std::string Folder() {
  const char* tmp = getenv("TMPDIR");
  static const std::string folder = [&] {
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kavro_unzip_bench.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

CString Win(const std::string& posix) { return CString(kavro::platform::KvWindowsPath(posix).c_str()); }

std::string ReadAll(const std::string& path) {
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[1 << 16];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

long PeakRssKib() {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The large archive and its entry's raw deflate bytes.
struct Large {
  std::string zip = Folder() + "/large.zip";
  std::string out = Folder() + "/large.out";
  std::string deflated;
};

const Large& LargeData() {
  static const Large data = [] {
    Large d;
    const std::string source = Folder() + "/large.txt";
    {
      FILE* f = fopen(source.c_str(), "wb");
      std::mt19937 rng(5);
      std::string line;
      for (size_t written = 0; written < kLargeSize; written += line.size()) {
        line = "record " + std::to_string(rng() % 100000) + " value " + std::to_string(rng() % 997) + "\n";
        if (written + line.size() > kLargeSize) line.resize(kLargeSize - written);
        fwrite(line.data(), 1, line.size(), f);
      }
      fclose(f);
    }
    HZIPFILE zip = CreateZipZ((void*)static_cast<LPCWSTR>(Win(d.zip)), 0, ZIPKIND_FILENAME);
    if (ZipAdd(zip, L"large.txt", (void*)static_cast<LPCWSTR>(Win(source)), 0, ZIPKIND_FILENAME) !=
        ZRES_SUCCESS)
      std::abort();
    CloseZipZ(zip);
    unlink(source.c_str());
    const std::string bytes = ReadAll(d.zip);
    auto le16 = [&](size_t at) { return static_cast<size_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8); };
    uint32_t comp;
    std::memcpy(&comp, bytes.data() + 18, 4);
    d.deflated = bytes.substr(30 + le16(26) + le16(28), comp);
    return d;
  }();
  return data;
}

const std::string& ManyZip(int entries) {
  static std::map<int, std::string> made;
  std::string& path = made[entries];
  if (path.empty()) {
    path = Folder() + "/many" + std::to_string(entries) + ".zip";
    HZIPFILE zip = CreateZipZ((void*)static_cast<LPCWSTR>(Win(path)), 0, ZIPKIND_FILENAME);
    char content[] = "small entry data";
    for (int i = 0; i < entries; ++i) {
      wchar_t name[64];
      swprintf(name, 64, L"folder%03d/entry%06d.txt", i % 100, i);
      if (ZipAdd(zip, name, content, sizeof content - 1, ZIPKIND_MEMORY) != ZRES_SUCCESS) std::abort();
    }
    CloseZipZ(zip);
    // Past 65,535 entries the listing goes through the zip64 end record.
    const std::string bytes = ReadAll(path);
    const bool zip64 = bytes.size() > 42 && bytes.compare(bytes.size() - 42, 4, "PK\x06\x07") == 0;
    if (zip64 != (entries > 65535)) std::abort();
  }
  return path;
}

// ---- extraction ----

void BM_UnzipItemToFile(benchmark::State& state) {
  const Large& d = LargeData();
  const long before = PeakRssKib();
  for (auto _ : state) {
    HZIPFILE zip = OpenZipU((void*)static_cast<LPCWSTR>(Win(d.zip)), 0, ZIPKIND_FILENAME);
    if (UnzipItem(zip, 0, (void*)static_cast<LPCWSTR>(Win(d.out)), 0, ZIPKIND_FILENAME) != ZRES_SUCCESS)
      state.SkipWithError("UnzipItem failed");
    CloseZipU(zip);
  }
  state.counters["rss_growth_kib"] = static_cast<double>(PeakRssKib() - before);
  state.SetBytesProcessed(state.iterations() * kLargeSize);
}

void BM_UnzipItemToMemory(benchmark::State& state) {
  const Large& d = LargeData();
  std::vector<char> chunk(1 << 16);
  for (auto _ : state) {
    HZIPFILE zip = OpenZipU((void*)static_cast<LPCWSTR>(Win(d.zip)), 0, ZIPKIND_FILENAME);
    while (UnzipItem(zip, 0, chunk.data(), static_cast<unsigned>(chunk.size()), ZIPKIND_MEMORY) == ZRES_MORE) {
    }
    CloseZipU(zip);
  }
  state.SetBytesProcessed(state.iterations() * kLargeSize);
}

// Raw inflate of the same bytes; with `full`, also CRC-32 and the write of
// every 16 KiB piece to a file, which extraction has to do as well.
void Inflate(benchmark::State& state, bool full) {
  const Large& d = LargeData();
  std::vector<unsigned char> out(16384);
  for (auto _ : state) {
    int fd = full ? open(d.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    z_stream z = {};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(d.deflated.data()));
    z.avail_in = static_cast<uInt>(d.deflated.size());
    uLong crc = crc32(0, Z_NULL, 0);
    size_t total = 0;
    int r;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      r = inflate(&z, Z_NO_FLUSH);
      const size_t n = out.size() - z.avail_out;
      total += n;
      if (full) {
        crc = crc32(crc, out.data(), static_cast<uInt>(n));
        if (write(fd, out.data(), n) != static_cast<ssize_t>(n)) state.SkipWithError("write failed");
      }
    } while (r == Z_OK);
    inflateEnd(&z);
    if (fd >= 0) close(fd);
    if (total != kLargeSize) state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(state.iterations() * kLargeSize);
}
void BM_InflateToMemory(benchmark::State& state) { Inflate(state, false); }
void BM_InflateCrcToFile(benchmark::State& state) { Inflate(state, true); }

int RunQuiet(std::vector<std::string> argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

void BM_InfoZipUnzipPipe(benchmark::State& state) {
  const Large& d = LargeData();
  if (access("/usr/bin/unzip", X_OK) != 0) return state.SkipWithError("no unzip");
  for (auto _ : state)
    if (RunQuiet({"/usr/bin/unzip", "-p", d.zip}) != 0) state.SkipWithError("unzip failed");
  state.SetBytesProcessed(state.iterations() * kLargeSize);
}

// ---- listing ----

void List(benchmark::State& state, bool random) {
  const int entries = static_cast<int>(state.range(0));
  const std::string& path = ManyZip(entries);
  std::vector<int> order(entries);
  std::iota(order.begin(), order.end(), 0);
  if (random) std::shuffle(order.begin(), order.end(), std::mt19937(9));
  ZIPITEMW item;
  for (auto _ : state) {
    HZIPFILE zip = OpenZipU((void*)static_cast<LPCWSTR>(Win(path)), 0, ZIPKIND_FILENAME);
    for (int i : order)
      if (GetZipItemW(zip, i, &item) != ZRES_SUCCESS) state.SkipWithError("GetZipItemW failed");
    CloseZipU(zip);
  }
  state.SetItemsProcessed(state.iterations() * entries);
}
void BM_ListAscending(benchmark::State& state) { List(state, false); }
void BM_ListRandom(benchmark::State& state) { List(state, true); }

// Python times open + infolist itself (interpreter start-up excluded) and
// prints the best of five in seconds.
std::map<int, double> g_pythonSeconds;
void BM_PythonInfolist(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const std::string out = Folder() + "/py_time.txt";
  const std::string script =
      "import sys, time, zipfile\n"
      "best = 1e9\n"
      "for _ in range(5):\n"
      "    t = time.perf_counter()\n"
      "    with zipfile.ZipFile(sys.argv[1]) as z:\n"
      "        n = len(z.infolist())\n"
      "    best = min(best, time.perf_counter() - t)\n"
      "open(sys.argv[2], 'w').write(repr(best))\n";
  for (auto _ : state) {
    if (RunQuiet({"/usr/bin/python3", "-c", script, ManyZip(entries), out}) != 0)
      state.SkipWithError("python failed");
  }
  const double seconds = atof(ReadAll(out).c_str());
  g_pythonSeconds[entries] = seconds;
  state.counters["infolist_ms"] = seconds * 1e3;
}

void PrintSummary(const kavro::bench::TimesReporter& times) {
  const double unzip = times.Real("BM_UnzipItemToFile");
  std::printf("\nExtraction of 64 MiB (goal: 1.1x the inflate floor, not slower than unzip)\n");
  std::printf("  UnzipItem to a file           %8.1f ms\n", unzip * 1e3);
  std::printf("  x raw inflate to memory       %8.2f\n", unzip / times.Real("BM_InflateToMemory"));
  std::printf("  x inflate + CRC + file write  %8.2f\n", unzip / times.Real("BM_InflateCrcToFile"));
  std::printf("  x unzip -p > /dev/null        %8.2f\n", unzip / times.Real("BM_InfoZipUnzipPipe"));
  std::printf("  memory pieces of 64 KiB       %8.1f ms\n", times.Real("BM_UnzipItemToMemory") * 1e3);
  std::printf("\nListing (open included; goal: linear, faster per entry than Python)\n");
  std::printf("  %8s %12s %12s %12s %9s %9s %9s %8s %8s\n", "entries", "ascend ms", "random ms",
              "python ms", "asc ns/e", "rnd ns/e", "py ns/e", "py/asc", "py/rnd");
  for (int n : kListSizes) {
    const std::string arg = "/" + std::to_string(n);
    const double ascending = times.Real("BM_ListAscending" + arg);
    const double random = times.Real("BM_ListRandom" + arg);
    const double python = g_pythonSeconds[n];
    std::printf("  %8d %12.2f %12.2f %12.2f %9.1f %9.1f %9.1f %8.2f %8.2f\n", n, ascending * 1e3,
                random * 1e3, python * 1e3, ascending / n * 1e9, random / n * 1e9, python / n * 1e9,
                python / ascending, python / random);
  }
}

void RemoveFiles() {
  for (const char* f : {"/large.zip", "/large.out", "/py_time.txt"}) unlink((Folder() + f).c_str());
  for (int n : kListSizes) unlink(ManyZip(n).c_str());
  rmdir(Folder().c_str());
}

}  // namespace

BENCHMARK(BM_InflateToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_InflateCrcToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_UnzipItemToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_UnzipItemToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_InfoZipUnzipPipe)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ListAscending)->Arg(16384)->Arg(65535)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ListRandom)->Arg(16384)->Arg(65535)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PythonInfolist)->Arg(16384)->Arg(65535)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  RemoveFiles();
  benchmark::Shutdown();
  return 0;
}
