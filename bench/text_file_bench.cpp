// Speed of whole text files against raw I/O of the same bytes in the same
// run: CStringOpr::LoadTextFile/SaveTextFile and CTextFile's array forms
// over a text of about 100 MiB on disk (lines of about 60 characters), in
// three code pages: ASCII text under 1252, Chinese under 936 and Chinese
// under UTF-8 (65001). The raw peers read() and write() the file's bytes in
// 1 MiB blocks. CStdioFile's own ReadString/WriteString loops (one reused
// string, no array) show the text-mode and conversion cost alone.
//
// The C++ peers are what a developer writes instead: std::ifstream +
// std::getline + iconv (one converter per file) into
// std::vector<std::wstring>, and the reverse (iconv per line, "\r\n",
// std::ofstream); the set-up checks that they give SaveTextFile's bytes.
//
// After the table a summary prints each operation's wall time as a multiple
// of its raw peer (reads against the raw read, writes against the raw
// write; goal 1.5x) and of its C++ peer (goal: 1x at most). KAVRO_BENCH_MIB
// sets another size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

namespace {

constexpr size_t kBlock = 1 << 20;

size_t TargetBytes() {
  const char* mib = getenv("KAVRO_BENCH_MIB");
  size_t n = mib && *mib ? strtoul(mib, nullptr, 10) : 100;
  return (n ? n : 100) << 20;
}

std::string Folder() {
  const char* tmp = getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  static const std::string folder = [&] {
    std::string pattern = base + "/kavro_text_file_bench.XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

struct Case {
  const char* name;
  UINT codePage;
  bool chinese;
};

const Case kCases[] = {{"ascii_1252", 1252, false}, {"chinese_936", 936, true}, {"chinese_65001", 65001, true}};

// The lines of a case and the bytes SaveTextFile makes of them.
struct Data {
  CStringArray lines;
  std::string bytes;
  std::string path;   // a file holding the bytes
  CString winPath;
  std::string outPath;
  CString winOut;
};

std::string ReadAll(const std::string& path) {
  std::string bytes;
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  char buffer[1 << 16];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof(buffer))) > 0) bytes.append(buffer, static_cast<size_t>(n));
  close(fd);
  return bytes;
}

Data& DataFor(const Case& c) {
  static std::map<std::string, std::unique_ptr<Data>> all;
  std::unique_ptr<Data>& slot = all[c.name];
  if (slot) return *slot;
  slot = std::make_unique<Data>();
  Data& d = *slot;
  KvSetACP(c.codePage);
  // Lines of 56 to 64 characters.
  const size_t bytesPerChar = !c.chinese ? 1 : c.codePage == 65001 ? 3 : 2;
  const size_t target = TargetBytes();
  size_t size = 0;
  uint32_t state = 2024;
  while (size < target) {
    state = state * 1103515245u + 12345u;
    const int length = 56 + static_cast<int>((state >> 16) % 9);
    CString line;
    wchar_t* p = line.GetBufferSetLength(c.chinese ? length / 2 : length);
    for (int k = 0; k < (c.chinese ? length / 2 : length); ++k) {
      state = state * 1103515245u + 12345u;
      p[k] = c.chinese ? static_cast<wchar_t>(0x4E00 + (state >> 16) % 0x5000)
                       : static_cast<wchar_t>(L' ' + (state >> 16) % 95);
    }
    line.ReleaseBuffer(c.chinese ? length / 2 : length);
    size += static_cast<size_t>(line.GetLength()) * bytesPerChar + 2;
    d.lines.Add(line);
  }
  d.path = Folder() + "/" + c.name + ".txt";
  d.outPath = Folder() + "/" + c.name + ".out.txt";
  d.winPath = CString(d.path.c_str());
  d.winOut = CString(d.outPath.c_str());
  if (!CStringOpr::SaveTextFile(d.lines, d.winPath)) std::abort();
  d.bytes = ReadAll(d.path);
  return d;
}

void Finish(benchmark::State& state, const Data& d) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.bytes.size()));
}

void BM_RawRead(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  std::vector<char> buffer(kBlock);
  for (auto _ : state) {
    int fd = open(d.path.c_str(), O_RDONLY);
    size_t total = 0;
    ssize_t n;
    while ((n = read(fd, buffer.data(), kBlock)) > 0) total += static_cast<size_t>(n);
    close(fd);
    benchmark::DoNotOptimize(total);
  }
  Finish(state, d);
}

void BM_RawWrite(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  for (auto _ : state) {
    int fd = open(d.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (size_t at = 0; at < d.bytes.size(); at += kBlock) {
      size_t n = d.bytes.size() - at < kBlock ? d.bytes.size() - at : kBlock;
      if (write(fd, d.bytes.data() + at, n) != static_cast<ssize_t>(n)) std::abort();
    }
    close(fd);
  }
  Finish(state, d);
}

const char* IconvName(UINT codePage) { return codePage == 936 ? "GBK" : codePage == 1252 ? "CP1252" : "UTF-8"; }

// One line through iconv; `out` receives the converted bytes.
void Convert(iconv_t cd, const char* in, size_t inBytes, std::string& out) {
  out.resize(inBytes * 4 + 16);
  char* src = const_cast<char*>(in);
  char* dst = out.data();
  size_t left = out.size();
  if (iconv(cd, &src, &inBytes, &dst, &left) == static_cast<size_t>(-1)) std::abort();
  out.resize(out.size() - left);
}

std::vector<std::wstring> CppRead(const Data& d, UINT codePage) {
  std::vector<std::wstring> lines;
  std::ifstream in(d.path, std::ios::binary);
  iconv_t cd = iconv_open("WCHAR_T", IconvName(codePage));
  std::string line, wide;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Convert(cd, line.data(), line.size(), wide);
    lines.emplace_back(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
  }
  iconv_close(cd);
  return lines;
}

void CppWrite(const std::vector<std::wstring>& lines, const std::string& path, UINT codePage) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  iconv_t cd = iconv_open(IconvName(codePage), "WCHAR_T");
  std::string bytes;
  for (const std::wstring& line : lines) {
    Convert(cd, reinterpret_cast<const char*>(line.data()), line.size() * sizeof(wchar_t), bytes);
    bytes += "\r\n";
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  iconv_close(cd);
}

// The lines as the C++ peer holds them; the peers' bytes are checked once.
const std::vector<std::wstring>& CppLines(const Case& c) {
  static std::map<std::string, std::vector<std::wstring>> all;
  std::vector<std::wstring>& lines = all[c.name];
  if (!lines.empty()) return lines;
  Data& d = DataFor(c);
  lines = CppRead(d, c.codePage);
  if (lines.size() != static_cast<size_t>(d.lines.GetSize())) std::abort();
  CppWrite(lines, d.outPath, c.codePage);
  if (ReadAll(d.outPath) != d.bytes) {
    std::fprintf(stderr, "the C++ peer's bytes differ from SaveTextFile's for %s\n", c.name);
    std::abort();
  }
  return lines;
}

void BM_CppRead(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  CppLines(*c);
  for (auto _ : state) {
    std::vector<std::wstring> lines = CppRead(d, c->codePage);
    benchmark::DoNotOptimize(lines.data());
  }
  Finish(state, d);
}

void BM_CppWrite(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  const std::vector<std::wstring>& lines = CppLines(*c);
  for (auto _ : state) CppWrite(lines, d.outPath, c->codePage);
  Finish(state, d);
}

void BM_LoadTextFile(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  for (auto _ : state) {
    CStringArray lines;
    if (!CStringOpr::LoadTextFile(lines, d.winPath) || lines.GetSize() != d.lines.GetSize())
      state.SkipWithError("LoadTextFile failed");
    benchmark::DoNotOptimize(lines.GetData());
  }
  Finish(state, d);
}

void BM_SaveTextFile(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  for (auto _ : state) {
    if (!CStringOpr::SaveTextFile(d.lines, d.winOut)) state.SkipWithError("SaveTextFile failed");
  }
  Finish(state, d);
}

// CStdioFile's text mode alone: every line through one CString, no array.
void BM_ReadString(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  for (auto _ : state) {
    CStdioFile file(d.winPath, CFile::modeRead | CFile::typeText);
    CString line;
    INT_PTR count = 0;
    while (file.ReadString(line)) ++count;
    if (count != d.lines.GetSize()) state.SkipWithError("ReadString lost lines");
  }
  Finish(state, d);
}

void BM_WriteString(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  for (auto _ : state) {
    CStdioFile file(d.winOut, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    for (INT_PTR i = 0; i < d.lines.GetSize(); ++i) {
      file.WriteString(d.lines[i]);
      file.WriteString(L"\n");
    }
    file.Close();
  }
  Finish(state, d);
}

void BM_ReadTextFile(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  CTextFile text;
  for (auto _ : state) {
    CStringArray lines;
    CString name = d.winPath;
    if (!text.ReadTextFile(name, lines) || lines.GetSize() != d.lines.GetSize())
      state.SkipWithError("ReadTextFile failed");
    benchmark::DoNotOptimize(lines.GetData());
  }
  Finish(state, d);
}

void BM_WriteTextFile(benchmark::State& state, const Case* c) {
  Data& d = DataFor(*c);
  KvSetACP(c->codePage);
  CTextFile text;
  for (auto _ : state) {
    CString name = d.winOut;
    if (!text.WriteTextFile(name, d.lines)) state.SkipWithError("WriteTextFile failed");
  }
  Finish(state, d);
}

void Register() {
  struct Op {
    const char* name;
    void (*fn)(benchmark::State&, const Case*);
  } const ops[] = {{"BM_RawRead", BM_RawRead},           {"BM_CppRead", BM_CppRead},
                   {"BM_RawWrite", BM_RawWrite},         {"BM_CppWrite", BM_CppWrite},
                   {"BM_ReadString", BM_ReadString},
                   {"BM_LoadTextFile", BM_LoadTextFile}, {"BM_ReadTextFile", BM_ReadTextFile},
                   {"BM_WriteString", BM_WriteString},
                   {"BM_SaveTextFile", BM_SaveTextFile}, {"BM_WriteTextFile", BM_WriteTextFile}};
  for (const Case& c : kCases) {
    for (const Op& op : ops) {
      std::string name = std::string(op.name) + "/" + c.name;
      benchmark::RegisterBenchmark(name.c_str(), op.fn, &c)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(3);
    }
  }
}

// Keeps each run's wall time for the ratios.
void PrintSummary(const kavro::bench::TimesReporter& times) {
  std::printf("\nWall time against raw I/O of the same bytes (goal: 1.5x at most) and against the\n"
              "plain C++ loop (ifstream + getline + iconv, and back; goal: 1x at most)\n");
  std::printf("%-40s %10s %10s %10s\n", "benchmark", "ms", "x raw", "x C++");
  for (const std::string& name : times.Names()) {
    const bool reads = name.find("Load") != std::string::npos || name.find("Read") != std::string::npos;
    const std::string suffix = name.substr(name.find('/'));
    const double seconds = times.Real(name);
    const double raw = times.Real((reads ? "BM_RawRead" : "BM_RawWrite") + suffix);
    const double cpp = times.Real((reads ? "BM_CppRead" : "BM_CppWrite") + suffix);
    std::printf("%-40s %10.1f %10.2f %10.2f\n", name.c_str(), seconds * 1e3, raw > 0 ? seconds / raw : 0.0,
                cpp > 0 ? seconds / cpp : 0.0);
  }
}

void RemoveFiles() {
  for (const Case& c : kCases) {
    unlink((Folder() + "/" + c.name + ".txt").c_str());
    unlink((Folder() + "/" + c.name + ".out.txt").c_str());
  }
  rmdir(Folder().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Register();
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  RemoveFiles();
  benchmark::Shutdown();
  return 0;
}
