// Zip writing against its floor and its peer, in one run (processor times,
// which a busy machine disturbs less than wall-clock times):
//   ZipAdd of a 64 MiB compressible file  vs  raw zlib deflate (level 8) of
//   the same bytes (read in 1 MiB chunks, output discarded)  vs  zip -8 -q
//   AddFolderContent of 10,000 small files  vs  zlib deflate of each file
//   vs  zip -8 -q -r
// The inputs are made once in a temporary folder. The summary gives the
// ratios and the growth of the peak resident size while the large file is
// zipped (memory should stay flat in the entry's size).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

extern char** environ;

namespace {

constexpr size_t kLargeSize = 64u << 20;
constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

// Runs a program (no shell, output discarded); its exit code, and in
// `cpuSeconds` the user and system time it used.
int RunQuiet(const std::vector<std::string>& args, const char* cwd = nullptr,
             double* cpuSeconds = nullptr) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (cwd != nullptr) posix_spawn_file_actions_addchdir_np(&actions, cwd);
  pid_t pid;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (cpuSeconds != nullptr) {
    *cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CString Win(const std::string& path) { return kavro::platform::KvWindowsPath(path).c_str(); }

// Log-like text: repeated structure with varying numbers and words, so that
// deflate has real work (about 4:1).
std::string TextChunk(uint32_t& seed, size_t size) {
  static const char* words[] = {"alpha", "request", "closed", "value", "layer", "entry", "zone",
                                "border", "index", "record", "stream", "module"};
  std::string out;
  char line[160];
  while (out.size() < size) {
    seed = seed * 1103515245u + 12345u;
    std::snprintf(line, sizeof line, "%08u %s %s=%u %s/%u\n", seed >> 3, words[(seed >> 8) % 12],
                  words[(seed >> 12) % 12], (seed >> 16) % 10007, words[(seed >> 20) % 12], seed % 97);
    out += line;
  }
  out.resize(size);
  return out;
}

struct Inputs {
  std::string root, large, tree, out;
  Inputs() {
    char pattern[] = "/tmp/kavro-zip-bench-XXXXXX";
    root = mkdtemp(pattern);
    large = root + "/large.txt";
    tree = root + "/tree";
    out = root + "/out.zip";
    uint32_t seed = 1;
    FILE* f = std::fopen(large.c_str(), "wb");
    for (size_t done = 0; done < kLargeSize; done += 1 << 20) {
      const std::string chunk = TextChunk(seed, 1 << 20);
      std::fwrite(chunk.data(), 1, chunk.size(), f);
    }
    std::fclose(f);
    mkdir(tree.c_str(), 0755);
    for (int d = 0; d < kFolders; ++d) {
      const std::string folder = tree + "/d" + std::to_string(d);
      mkdir(folder.c_str(), 0755);
      for (int i = 0; i < kFilesPerFolder; ++i) {
        FILE* g = std::fopen((folder + "/f" + std::to_string(i) + ".txt").c_str(), "wb");
        const std::string text = TextChunk(seed, 500 + seed % 3500);
        std::fwrite(text.data(), 1, text.size(), g);
        std::fclose(g);
      }
    }
  }
  ~Inputs() { RunQuiet({"rm", "-rf", root}); }
};

Inputs& TheInputs() {
  static Inputs inputs;
  return inputs;
}

long PeakKiB() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

long g_rssGrowthKiB = -1;

// Deflates a file as a raw stream at level 8, discarding the output.
size_t DeflateFile(const std::string& path, z_stream& z, std::vector<unsigned char>& in,
                   std::vector<unsigned char>& out) {
  deflateReset(&z);
  const int fd = open(path.c_str(), O_RDONLY);
  size_t produced = 0;
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    const ssize_t got = read(fd, in.data(), in.size());
    flush = got <= 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = in.data();
    z.avail_in = got > 0 ? static_cast<uInt>(got) : 0;
    int status;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      status = deflate(&z, flush);
      produced += out.size() - z.avail_out;
    } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
  }
  close(fd);
  return produced;
}

struct Deflater {
  z_stream z{};
  std::vector<unsigned char> in = std::vector<unsigned char>(1 << 20);
  std::vector<unsigned char> out = std::vector<unsigned char>(256 << 10);
  Deflater() { deflateInit2(&z, 8, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY); }
  ~Deflater() { deflateEnd(&z); }
};

void BM_Large_ZipAdd(benchmark::State& state) {
  Inputs& in = TheInputs();
  const CString archive = Win(in.out), source = Win(in.large);
  const long before = PeakKiB();
  for (auto _ : state) {
    HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
    if (ZipAdd(zip, L"large.txt", (void*)source.GetString(), 0, ZIPKIND_FILENAME) != ZRES_SUCCESS)
      state.SkipWithError("ZipAdd failed");
    CloseZipZ(zip);
  }
  if (g_rssGrowthKiB < 0) g_rssGrowthKiB = PeakKiB() - before;
  struct stat info;
  stat(in.out.c_str(), &info);
  state.counters["archive_MiB"] = double(info.st_size) / (1 << 20);
}

void BM_Large_ZlibFloor(benchmark::State& state) {
  Inputs& in = TheInputs();
  Deflater d;
  size_t produced = 0;
  for (auto _ : state) produced = DeflateFile(in.large, d.z, d.in, d.out);
  state.counters["deflated_MiB"] = double(produced) / (1 << 20);
}

void BM_Large_InfoZip(benchmark::State& state) {
  Inputs& in = TheInputs();
  for (auto _ : state) {
    unlink(in.out.c_str());
    double cpu = 0;
    if (RunQuiet({"zip", "-8", "-q", in.out, "large.txt"}, in.root.c_str(), &cpu) != 0)
      state.SkipWithError("zip failed");
    state.SetIterationTime(cpu);
  }
}

void BM_Tree_AddFolderContent(benchmark::State& state) {
  Inputs& in = TheInputs();
  const CString archive = Win(in.out), root = Win(in.root);
  for (auto _ : state) {
    HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
    if (!AddFolderContent(zip, root, L"tree")) state.SkipWithError("AddFolderContent failed");
    CloseZipZ(zip);
  }
}

void BM_Tree_ZlibFloor(benchmark::State& state) {
  Inputs& in = TheInputs();
  Deflater d;
  std::vector<std::string> files;
  for (int f = 0; f < kFolders; ++f)
    for (int i = 0; i < kFilesPerFolder; ++i)
      files.push_back(in.tree + "/d" + std::to_string(f) + "/f" + std::to_string(i) + ".txt");
  for (auto _ : state)
    for (const std::string& file : files) DeflateFile(file, d.z, d.in, d.out);
}

void BM_Tree_InfoZip(benchmark::State& state) {
  Inputs& in = TheInputs();
  for (auto _ : state) {
    unlink(in.out.c_str());
    double cpu = 0;
    if (RunQuiet({"zip", "-8", "-q", "-r", in.out, "tree"}, in.root.c_str(), &cpu) != 0)
      state.SkipWithError("zip failed");
    state.SetIterationTime(cpu);
  }
}

#define ZIP_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)
ZIP_BENCH(BM_Large_ZipAdd);
ZIP_BENCH(BM_Large_ZlibFloor);
// The peer's time is the processor time of the child (user + system), so
// that it compares with the processor time of the in-process runs.
BENCHMARK(BM_Large_InfoZip)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
ZIP_BENCH(BM_Tree_AddFolderContent);
ZIP_BENCH(BM_Tree_ZlibFloor);
BENCHMARK(BM_Tree_InfoZip)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Processor time of our runs and the floor; the Info-ZIP runs are child
// processes, so their wall time stands in.
void PrintSummary(const kavro::bench::TimesReporter& times) {
  const char* pairs[][4] = {
      {"64 MiB file", "BM_Large_ZipAdd", "BM_Large_ZlibFloor", "BM_Large_InfoZip"},
      {"10,000 files", "BM_Tree_AddFolderContent", "BM_Tree_ZlibFloor", "BM_Tree_InfoZip"},
  };
  std::printf("\nprocessor time: ours / zlib floor (goal: at most 1.1), ours / zip -8 (goal: at most 1.0)\n");
  for (auto& p : pairs) {
    const double ours = times.Cpu(p[1]), floor = times.Cpu(p[2]), tool = times.Real(p[3]);
    if (ours <= 0 || floor <= 0 || tool <= 0) continue;
    std::printf("  %-13s %5.2f  %5.2f  (%.0f ms, floor %.0f ms, zip %.0f ms)\n", p[0], ours / floor,
                ours / tool, ours * 1e3, floor * 1e3, tool * 1e3);
  }
  if (g_rssGrowthKiB >= 0)
    std::printf("  peak resident growth while zipping the 64 MiB file: %ld KiB\n", g_rssGrowthKiB);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TheInputs();
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
