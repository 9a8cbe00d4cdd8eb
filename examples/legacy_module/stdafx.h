// stdafx.h: the headers every source of the module includes first, as the
// Windows build has them. On Linux the compat folder supplies the Windows
// header names.
#pragma once

#ifndef VC_EXTRALEAN
#define VC_EXTRALEAN
#endif

#include <afxwin.h>
#include <afxext.h>
#include <afxtempl.h>
#include <afxcoll.h>
#include <shlwapi.h>
#include <tchar.h>

#include <KavroStd/KavroStd.h>
