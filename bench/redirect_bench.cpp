// Speed of CRedirect::Run against its peers, in the same run: a child that
// writes 100 MiB of text lines (`cat` of a file) read by Run (no output
// control: the loop's own cost of reading, decoding and phrase matching,
// polling again at once instead of after 100 ms when the pipe is empty) against
// the same `cat` into /dev/null and Python's
// subprocess.run(capture_output=True) (timed inside Python, interpreter
// start-up excluded). A summary prints Run's time as a multiple of each.
// Goal: within 1.2x the faster peer.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

extern char** environ;

namespace {

constexpr size_t kSize = 100u << 20;

std::string Folder() {
  static const std::string folder = [] {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kavro_redirect_bench.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

// 100 MiB of build-log-like lines.
const std::string& DataFile() {
  static const std::string path = [] {
    std::string p = Folder() + "/output.txt";
    FILE* f = fopen(p.c_str(), "wb");
    std::string line;
    size_t written = 0;
    for (int i = 0; written < kSize; ++i) {
      line = "compiling module_" + std::to_string(i) + ".cpp: warning C4996 in line " + std::to_string(i * 7) + "\n";
      fwrite(line.data(), 1, line.size(), f);
      written += line.size();
    }
    fclose(f);
    return p;
  }();
  return path;
}

class PollingRedirect : public CRedirect {
 public:
  explicit PollingRedirect(const wchar_t* line) : CRedirect(line, nullptr, nullptr) { SetSleepInterval(0); }
};

void BM_RedirectRun(benchmark::State& state) {
  // Arguments reach the child as written: the POSIX path for cat.
  const std::string& data = DataFile();
  std::wstring line = L"cat \"" + std::wstring(data.begin(), data.end()) + L"\"";
  for (auto _ : state) {
    PollingRedirect run(line.c_str());
    CString phrase = L"fatal error";
    run.AddErrorCondition(phrase);
    if (!run.Run()) state.SkipWithError("Run failed");
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

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

void BM_CatToDevNull(benchmark::State& state) {
  const std::string& data = DataFile();
  for (auto _ : state)
    if (RunQuiet({"/bin/cat", data}) != 0) state.SkipWithError("cat failed");
  state.SetBytesProcessed(state.iterations() * kSize);
}

double g_pythonSeconds = 0;
void BM_PythonCapture(benchmark::State& state) {
  const std::string out = Folder() + "/py_time.txt";
  const std::string script =
      "import subprocess, sys, time\n"
      "best = 1e9\n"
      "for _ in range(3):\n"
      "    t = time.perf_counter()\n"
      "    r = subprocess.run(['cat', sys.argv[1]], capture_output=True)\n"
      "    best = min(best, time.perf_counter() - t)\n"
      "    assert len(r.stdout) >= %d\n"
      "open(sys.argv[2], 'w').write(repr(best))\n";
  char filled[1024];
  snprintf(filled, sizeof(filled), script.c_str(), static_cast<int>(kSize));
  for (auto _ : state)
    if (RunQuiet({"/usr/bin/python3", "-c", filled, DataFile(), out}) != 0) state.SkipWithError("python failed");
  FILE* f = fopen(out.c_str(), "rb");
  char text[64] = {};
  if (f) {
    size_t n = fread(text, 1, sizeof(text) - 1, f);
    text[n] = 0;
    fclose(f);
  }
  g_pythonSeconds = atof(text);
  state.counters["capture_ms"] = g_pythonSeconds * 1e3;
}

void PrintSummary(const kavro::bench::TimesReporter& times) {
  const double run = times.Real("BM_RedirectRun");
  const double cat = times.Real("BM_CatToDevNull");
  std::printf("\nA child writing 100 MiB (goal: within 1.2x the faster peer)\n");
  std::printf("  CRedirect::Run                    %8.1f ms\n", run * 1e3);
  std::printf("  x cat > /dev/null                 %8.2f\n", run / cat);
  if (g_pythonSeconds > 0) std::printf("  x subprocess.run(capture_output)  %8.2f\n", run / g_pythonSeconds);
  const double faster = g_pythonSeconds > 0 && g_pythonSeconds < cat ? g_pythonSeconds : cat;
  std::printf("  x the faster peer                 %8.2f\n", run / faster);
}

}  // namespace

BENCHMARK(BM_RedirectRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CatToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PythonCapture)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  remove(DataFile().c_str());
  remove((Folder() + "/py_time.txt").c_str());
  rmdir(Folder().c_str());
  benchmark::Shutdown();
  return 0;
}
