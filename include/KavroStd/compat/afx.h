// <afx.h>: MFC's core (CObject, CString, CFile, the collections, the
// diagnostics) with the layer's Win32 names and the tchar names.
#pragma once

#include "windows.h"
#include "tchar.h"
