// Speed of CAutoUpdater::DownloadFile (InternetOpenUrlW, then
// InternetReadFile in 4,096-byte reads written with WriteFile), against
// `curl -s -o file` of the same 200 MiB from the same loopback test server, in the same run. A
// summary prints the download's time as a multiple of curl's.
// Goal: within 1.2x. The server is Python's http.server; when it is the
// bottleneck both sides show its speed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
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

constexpr size_t kSize = 200u << 20;

std::string Folder() {
  static const std::string folder = [] {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kavro_download_bench.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

// The test server as a child process; its port is the first line it prints.
struct Server {
  pid_t pid = -1;
  int port = 0;
  Server() {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    std::string script = std::string(KAVRO_SOURCE_DIR) + "/tests/support/http_test_server.py";
    char* argv[] = {python.data(), script.data(), nullptr};
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string line;
    char c;
    while (pid > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    port = atoi(line.c_str());
  }
  ~Server() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/bytes?size=" + std::to_string(kSize); }
};

Server& TheServer() {
  static Server server;
  return server;
}

// CAutoUpdater::DownloadFile itself: GetSession, then 4,096-byte reads
// written into the file.
void BM_DownloadFile(benchmark::State& state) {
  const std::string url = TheServer().Url();
  const std::string path = Folder() + "/download.bin";
  const std::wstring widePath(path.begin(), path.end());
  CAutoUpdater updater;
  for (auto _ : state) {
    CString address(std::wstring(url.begin(), url.end()).c_str());
    HINTERNET request = updater.GetSession(address);
    if (!request) {
      state.SkipWithError("open failed");
      break;
    }
    const bool done = updater.DownloadFile(request, widePath.c_str());
    InternetCloseHandle(request);
    struct stat st;
    if (!done || stat(path.c_str(), &st) != 0 || static_cast<size_t>(st.st_size) != kSize)
      state.SkipWithError("download incomplete");
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

// The same reads with the bytes dropped: the read path's share.
void BM_ReadOnly(benchmark::State& state) {
  const std::string url = TheServer().Url();
  const std::wstring wideUrl(url.begin(), url.end());
  HINTERNET session = InternetOpenW(L"AutoUpdateAgent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  for (auto _ : state) {
    HINTERNET request = InternetOpenUrlW(session, wideUrl.c_str(), nullptr, 0, 0x80000C10, 0);
    BYTE buffer[4096];
    DWORD got = 0;
    size_t total = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &got) && got > 0) total += got;
    InternetCloseHandle(request);
    if (total != kSize) state.SkipWithError("download incomplete");
  }
  InternetCloseHandle(session);
  state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_CurlCommand(benchmark::State& state) {
  std::string url = TheServer().Url();
  std::string path = Folder() + "/curl.bin";
  for (auto _ : state) {
    char* argv[] = {const_cast<char*>("curl"), const_cast<char*>("-s"), const_cast<char*>("-o"), path.data(),
                    url.data(), nullptr};
    pid_t pid;
    int status = -1;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) == 0) waitpid(pid, &status, 0);
    if (status != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void PrintSummary(const kavro::bench::TimesReporter& times) {
  const double download = times.Real("BM_DownloadFile");
  const double curl = times.Real("BM_CurlCommand");
  const double readOnly = times.Real("BM_ReadOnly");
  std::printf("\nA 200 MiB download from the loopback server (goal: within 1.2x curl)\n");
  std::printf("  CAutoUpdater::DownloadFile    %8.1f ms\n", download * 1e3);
  std::printf("  InternetReadFile alone        %8.1f ms\n", readOnly * 1e3);
  std::printf("  curl -s -o file               %8.1f ms\n", curl * 1e3);
  if (curl > 0) std::printf("  x curl                        %8.2f\n", download / curl);
}

}  // namespace

BENCHMARK(BM_DownloadFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (TheServer().port <= 0) {
    std::fprintf(stderr, "the test HTTP server did not start\n");
    return 1;
  }
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  remove((Folder() + "/download.bin").c_str());
  remove((Folder() + "/curl.bin").c_str());
  rmdir(Folder().c_str());
  benchmark::Shutdown();
  return 0;
}
