// XML settings files against their raw peers, in one run.
//
// Lookup: a document of 100 sections of 100 keys (10,000 key elements);
// CXMLFile's GetString and SetString of the last key against libxml2's bare
// XPath lookup of the same element ("//Section99/Key99" in a kept context)
// and its bare walk-and-set, and against Python's xml.etree.ElementTree
// find of the same element (python3 started as a child process, timing its
// own loop). Files: a 10 MiB document loaded by CXMLFile against
// `xmllint --noout`, and loaded and saved against `xmllint --output` (both
// parse and write). After Google Benchmark's table the ratios are printed.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

extern char** environ;

namespace {

struct BenchFiles {
  std::string folder, small, big, bigOut;

  BenchFiles() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kavro-xml-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    folder = pattern;
    small = folder + "/settings.xml";
    big = folder + "/big.xml";
    bigOut = folder + "/big-out.xml";
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xmlRoot>\n";
    for (int s = 0; s < 100; ++s) {
      text += "  <Section" + std::to_string(s) + ">\n";
      for (int k = 0; k < 100; ++k)
        text += "    <Key" + std::to_string(k) + ">value " + std::to_string(s) + "." + std::to_string(k) + "</Key" +
                std::to_string(k) + ">\n";
      text += "  </Section" + std::to_string(s) + ">\n";
    }
    text += "</xmlRoot>\n";
    Write(small, text);
    // About 10 MiB: settings sections with attributes, comments and
    // non-ASCII text.
    std::string large = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- bench -->\n<xmlRoot>\n";
    for (int i = 0; large.size() < (10u << 20); ++i) {
      large += "  <Item" + std::to_string(i % 100) + " id=\"" + std::to_string(i) + "\" unit=\"mm\">";
      large += "<Name>r\xC3\xA9glage " + std::to_string(i) + " &amp; more</Name><Value>" + std::to_string(i * 7) +
               ".500000</Value></Item" + std::to_string(i % 100) + ">\n";
    }
    large += "</xmlRoot>\n";
    Write(big, large);
  }
  ~BenchFiles() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  static void Write(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) abort();
    fclose(f);
  }
};

BenchFiles& Files() {
  static BenchFiles files;
  return files;
}

std::wstring Win(const std::string& posix) { return kavro::platform::KvWindowsPath(posix); }

// Runs a program (no shell) and waits; its output goes to `output` when given.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int pipeFds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  }
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) {
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) output->append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
  }
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_XmlFileGet(benchmark::State& state) {
  CXMLFile xml;
  if (xml.load(Win(Files().small).c_str(), L"xmlRoot") != 2) state.SkipWithError("load failed");
  for (auto _ : state) {
    std::wstring value = xml.GetString(L"Section99", L"Key99", L"");
    benchmark::DoNotOptimize(value.data());
  }
}
BENCHMARK(BM_XmlFileGet);

void BM_XmlFileSet(benchmark::State& state) {
  CXMLFile xml;
  if (xml.load(Win(Files().small).c_str(), L"xmlRoot") != 2) state.SkipWithError("load failed");
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    LONG r = xml.SetString(L"Section99", L"Key99", flip ? L"first value" : L"second value");
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_XmlFileSet);

void BM_Libxml2XPathGet(benchmark::State& state) {
  xmlDocPtr doc = xmlReadFile(Files().small.c_str(), nullptr, XML_PARSE_NONET);
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  for (auto _ : state) {
    xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST "//Section99/Key99", context);
    xmlChar* text = nullptr;
    if (found && found->nodesetval && found->nodesetval->nodeNr > 0)
      text = xmlNodeGetContent(found->nodesetval->nodeTab[0]);
    benchmark::DoNotOptimize(text);
    xmlFree(text);
    xmlXPathFreeObject(found);
  }
  xmlXPathFreeContext(context);
  xmlFreeDoc(doc);
}
BENCHMARK(BM_Libxml2XPathGet);

void BM_Libxml2XPathSet(benchmark::State& state) {
  xmlDocPtr doc = xmlReadFile(Files().small.c_str(), nullptr, XML_PARSE_NONET);
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    // The same walk a write makes: each name relative to the node above.
    context->node = xmlDocGetRootElement(doc);
    xmlNodePtr node = nullptr;
    for (const char* name : {"Section99", "Key99"}) {
      xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST name, context);
      node = found && found->nodesetval && found->nodesetval->nodeNr > 0 ? found->nodesetval->nodeTab[0] : nullptr;
      xmlXPathFreeObject(found);
      context->node = node;
    }
    if (node) xmlNodeSetContent(node, BAD_CAST(flip ? "first value" : "second value"));
  }
  xmlXPathFreeContext(context);
  xmlFreeDoc(doc);
}
BENCHMARK(BM_Libxml2XPathSet);

void BM_XmlFileLoad10MiB(benchmark::State& state) {
  const std::wstring path = Win(Files().big);
  for (auto _ : state) {
    CXMLFile xml;
    if (xml.load(path.c_str(), L"xmlRoot") != 2) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_XmlFileLoad10MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_XmlFileLoadSave10MiB(benchmark::State& state) {
  const std::wstring path = Win(Files().big), out = Win(Files().bigOut);
  for (auto _ : state) {
    CXMLFile xml;
    if (xml.load(path.c_str(), L"xmlRoot") != 2 || !xml.save(out.c_str())) state.SkipWithError("load or save failed");
  }
}
BENCHMARK(BM_XmlFileLoadSave10MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_XmlFileSave10MiB(benchmark::State& state) {
  CXMLFile xml;
  if (xml.load(Win(Files().big).c_str(), L"xmlRoot") != 2) state.SkipWithError("load failed");
  const std::wstring out = Win(Files().bigOut);
  for (auto _ : state)
    if (!xml.save(out.c_str())) state.SkipWithError("save failed");
}
BENCHMARK(BM_XmlFileSave10MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_XmllintNoout10MiB(benchmark::State& state) {
  for (auto _ : state)
    if (RunProgram({"xmllint", "--noout", Files().big}) != 0) state.SkipWithError("xmllint failed");
}
BENCHMARK(BM_XmllintNoout10MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_XmllintOutput10MiB(benchmark::State& state) {
  for (auto _ : state)
    if (RunProgram({"xmllint", "--output", Files().bigOut, Files().big}) != 0) state.SkipWithError("xmllint failed");
}
BENCHMARK(BM_XmllintOutput10MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Python's ElementTree: find and set of the same element, timed by Python
// itself over many rounds; seconds per operation, or 0 when python3 fails.
std::pair<double, double> PythonTimes() {
  const std::string script =
      "import sys, time, xml.etree.ElementTree as ET\n"
      "root = ET.parse(sys.argv[1]).getroot()\n"
      "n = 20000\n"
      "t = time.perf_counter()\n"
      "for i in range(n): v = root.find('.//Section99/Key99').text\n"
      "get = (time.perf_counter() - t) / n\n"
      "t = time.perf_counter()\n"
      "for i in range(n): root.find('Section99').find('Key99').text = 'first value' if i % 2 else 'second value'\n"
      "put = (time.perf_counter() - t) / n\n"
      "print(get, put)\n";
  std::string output;
  if (RunProgram({"python3", "-c", script, Files().small}, &output) != 0) return {0, 0};
  double get = 0, put = 0;
  if (sscanf(output.c_str(), "%lf %lf", &get, &put) != 2) return {0, 0};
  return {get, put};
}

void PrintRatios(const kavro::bench::TimesReporter& times) {
  const auto [pyGet, pySet] = PythonTimes();
  const double get = times.Real("BM_XmlFileGet"), set = times.Real("BM_XmlFileSet");
  const double xget = times.Real("BM_Libxml2XPathGet"), xset = times.Real("BM_Libxml2XPathSet");
  printf("\nLookups in a document of 10,000 keys (real time per operation):\n");
  if (xget > 0) printf("  CXMLFile get   %8.2f us  %5.2fx libxml2 XPath get (%.2f us)", get * 1e6, get / xget, xget * 1e6);
  if (pyGet > 0) printf(", %5.2fx ElementTree find (%.2f us)", get / pyGet, pyGet * 1e6);
  printf("\n");
  if (xset > 0) printf("  CXMLFile set   %8.2f us  %5.2fx libxml2 walk and set (%.2f us), %5.2fx libxml2 XPath get", set * 1e6,
                       set / xset, xset * 1e6, set / xget);
  if (pySet > 0) printf(", %5.2fx ElementTree find and set (%.2f us)", set / pySet, pySet * 1e6);
  printf("\n");
  const double load = times.Real("BM_XmlFileLoad10MiB"), both = times.Real("BM_XmlFileLoadSave10MiB");
  const double save = times.Real("BM_XmlFileSave10MiB");
  const double noout = times.Real("BM_XmllintNoout10MiB"), output = times.Real("BM_XmllintOutput10MiB");
  printf("A 10 MiB document (real time):\n");
  if (noout > 0) printf("  load           %8.1f ms  %5.2fx xmllint --noout (%.1f ms)\n", load * 1e3, load / noout, noout * 1e3);
  if (output > 0)
    printf("  load and save  %8.1f ms  %5.2fx xmllint --output (%.1f ms); save alone %.1f ms\n", both * 1e3,
           both / output, output * 1e3, save * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Files();
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
