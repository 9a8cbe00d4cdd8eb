// The Windows-written sample module, built with the compat folder, run in
// the demo host as a real process.
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::TempDir;

TEST(LegacyModuleTest, RunsInTheDemoHostAndKeepsItsSettings) {
  TempDir dir;
  const std::string tree = dir.Sub("tree");
  auto result = kavro::test::Run({KAVRO_DEMO_HOST, "--layout", tree, "--library", KAVRO_LIBRARY_FILE, "--module",
                     KAVRO_LEGACY_MODULE});
  ASSERT_EQ(0, result.exitCode) << result.output;
  // A debug build adds the module's TRACE lines; the rest is the same.
  std::string out;
  size_t pos = 0;
  while (pos < result.output.size()) {
    size_t end = result.output.find('\n', pos);
    end = end == std::string::npos ? result.output.size() : end + 1;
    if (result.output.compare(pos, 14, "LegacyModule: ") != 0) out.append(result.output, pos, end - pos);
    pos = end;
  }
  EXPECT_EQ("host: installation tree laid out in " + tree + "\n"
            "host: loaded libkavro_legacy_module.so\n"
            "legacy module: Legacy Drafting Tools (21 characters)\n"
            "legacy module: Legacy Drafting Tools: 3 commands ready\n"
            "  commands:\n"
            "  LINE     used 2 times\n"
            "  CIRCLE   used 1 time\n"
            "  ARC      used 1 time\n"
            "legacy module: run 1 recorded in LegacyTools.ini\n"
            "legacy module: the host has no MFC application object\n"
            "host: modules unloaded, status 0\n",
            out);
  EXPECT_EQ("[LegacyTools]\r\nRuns=1\r\n", ReadBytes(tree + "/LegacyTools.ini"));
}

}  // namespace
