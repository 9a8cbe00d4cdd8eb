// Tree operations over 100,000 small files in 1,000 folders, each against
// the system tool that does the same job, in one run:
//   getFilesInFolder (recursive)  vs  find <tree> -type f  (output discarded)
//   DeleteDirectory               vs  rm -rf <copy>        (fresh copy each time)
//   CopyFilesAndDirs (all items)  vs  cp -r <tree> <copy>
// The tree is built once in a temporary folder; copies for deleting are made
// outside the timed region. A summary of ratios (ours / tool) ends the run.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

extern char** environ;

namespace {

const int kGroups = 10;
const int kFoldersPerGroup = 100;
const int kFilesPerFolder = 100;
const int kFiles = kGroups * kFoldersPerGroup * kFilesPerFolder;

// Runs a program (no shell) with its output sent to /dev/null; its exit code.
int RunQuiet(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The benchmark tree and the item list of CopyFilesAndDirs, made once.
struct Tree {
  std::string root;     // the temporary folder holding everything
  std::string source;   // root/src: the tree itself
  CString sourceWin;    // the same in Windows form, with a trailing backslash
  CStringArray items;   // every folder ("g0\d0\") and file, relative
  Tree() {
    char pattern[] = "/tmp/kavro-tree-bench-XXXXXX";
    root = mkdtemp(pattern);
    source = root + "/src";
    mkdir(source.c_str(), 0755);
    std::string content = "0123456789abcdef";
    for (int g = 0; g < kGroups; ++g) {
      std::string group = "g" + std::to_string(g);
      mkdir((source + "/" + group).c_str(), 0755);
      items.Add(CString(group.c_str()) + L"\\");
      for (int d = 0; d < kFoldersPerGroup; ++d) {
        std::string folder = group + "/d" + std::to_string(d);
        mkdir((source + "/" + folder).c_str(), 0755);
        CString folderWin = CString(folder.c_str());
        folderWin.Replace(L'/', L'\\');
        items.Add(folderWin + L"\\");
        for (int f = 0; f < kFilesPerFolder; ++f) {
          std::string name = "file" + std::to_string(f) + ".dat";
          int fd = open((source + "/" + folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
          if (fd >= 0) {
            (void)!write(fd, content.data(), content.size());
            close(fd);
          }
          items.Add(folderWin + L"\\" + CString(name.c_str()));
        }
      }
    }
    sourceWin = CString(kavro::platform::KvWindowsPath(source).c_str()) + L"\\";
  }
  ~Tree() { RunQuiet({"rm", "-rf", root}); }
  std::string Copy(const char* name) const { return root + "/" + name; }
  static CString Win(const std::string& posix) {
    return CString(kavro::platform::KvWindowsPath(posix).c_str()) + L"\\";
  }
};

const Tree& TheTree() {
  static Tree tree;
  return tree;
}

void BM_List_getFilesInFolder(benchmark::State& state) {
  const Tree& tree = TheTree();
  for (auto _ : state) {
    CStringArray files;
    int n = CStringOpr::getFilesInFolder(tree.sourceWin, files, TRUE, CString());
    if (n != kFiles) state.SkipWithError("wrong file count");
    benchmark::DoNotOptimize(files.GetData());
  }
}

void BM_List_find(benchmark::State& state) {
  const Tree& tree = TheTree();
  for (auto _ : state) RunQuiet({"find", tree.source, "-type", "f"});
}

void BM_Delete_DeleteDirectory(benchmark::State& state) {
  const Tree& tree = TheTree();
  std::string copy = tree.Copy("del-ours");
  for (auto _ : state) {
    state.PauseTiming();
    RunQuiet({"cp", "-r", tree.source, copy});
    state.ResumeTiming();
    CStringOpr::DeleteDirectory(Tree::Win(copy));
    state.PauseTiming();
    struct stat st;
    if (lstat(copy.c_str(), &st) == 0) state.SkipWithError("tree not deleted");
    state.ResumeTiming();
  }
}

void BM_Delete_rm(benchmark::State& state) {
  const Tree& tree = TheTree();
  std::string copy = tree.Copy("del-rm");
  for (auto _ : state) {
    state.PauseTiming();
    RunQuiet({"cp", "-r", tree.source, copy});
    state.ResumeTiming();
    RunQuiet({"rm", "-rf", copy});
  }
}

void BM_Copy_CopyFilesAndDirs(benchmark::State& state) {
  const Tree& tree = TheTree();
  std::string copy = tree.Copy("copy-ours");
  CStringArray items;
  items.Copy(tree.items);
  for (auto _ : state) {
    state.PauseTiming();
    RunQuiet({"rm", "-rf", copy});
    mkdir(copy.c_str(), 0755);
    state.ResumeTiming();
    CStringOpr::CopyFilesAndDirs(items, tree.sourceWin, Tree::Win(copy));
  }
  CStringArray files;
  if (CStringOpr::getFilesInFolder(Tree::Win(copy), files, TRUE, CString()) != kFiles)
    state.SkipWithError("copy incomplete");
  RunQuiet({"rm", "-rf", copy});
}

void BM_Copy_cp(benchmark::State& state) {
  const Tree& tree = TheTree();
  std::string copy = tree.Copy("copy-cp");
  for (auto _ : state) {
    state.PauseTiming();
    RunQuiet({"rm", "-rf", copy});
    state.ResumeTiming();
    RunQuiet({"cp", "-r", tree.source, copy});
  }
  RunQuiet({"rm", "-rf", copy});
}

// Real time: the tools run in child processes.
#define TREE_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)
TREE_BENCH(BM_List_getFilesInFolder);
TREE_BENCH(BM_List_find);
TREE_BENCH(BM_Delete_DeleteDirectory);
TREE_BENCH(BM_Delete_rm);
TREE_BENCH(BM_Copy_CopyFilesAndDirs);
TREE_BENCH(BM_Copy_cp);

// The console report, keeping each benchmark's time per iteration for the
// summary.
void PrintSummary(const kavro::bench::TimesReporter& times) {
  const char* pairs[][3] = {
      {"list", "BM_List_getFilesInFolder", "BM_List_find"},
      {"delete", "BM_Delete_DeleteDirectory", "BM_Delete_rm"},
      {"copy", "BM_Copy_CopyFilesAndDirs", "BM_Copy_cp"},
  };
  std::printf("\nours / tool (goal: at most 1.5)\n");
  for (auto& p : pairs) {
    const double ours = times.Real(p[1]), tool = times.Real(p[2]);
    if (ours <= 0 || tool <= 0) continue;
    std::printf("  %-7s %6.2f  (%.1f ms vs %.1f ms)\n", p[0], ours / tool, ours * 1e3, tool * 1e3);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TheTree();
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
