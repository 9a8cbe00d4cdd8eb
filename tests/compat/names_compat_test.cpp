// The generic names and MFC idioms, built as a product module includes
// them: the Windows header names from the compat folder.
#include <windows.h>
#include <tchar.h>
#include <afxwin.h>
#include <afxext.h>
#include <afxtempl.h>
#include <afxcoll.h>
#include <shlwapi.h>
#include <winreg.h>
#include <winver.h>
#include <wininet.h>

#include <KavroStd/KavroStd.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace compat_build {

#include "generic_names.inc"

TEST(GenericNamesThroughCompatFolder, SameResultsAsTheWideNames) {
  kavro::test::TempDir dir;
  ExpectSameResultsThroughBothNames(dir.Win());
}

}  // namespace compat_build
