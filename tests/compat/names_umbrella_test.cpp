// The generic names and MFC idioms through the library's umbrella header
// alone, without the compat folder.
#include "KavroStd/KavroStd.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace umbrella_build {

#include "generic_names.inc"

TEST(GenericNamesThroughUmbrellaHeader, SameResultsAsTheWideNames) {
  kavro::test::TempDir dir;
  ExpectSameResultsThroughBothNames(dir.Win());
}

}  // namespace umbrella_build
