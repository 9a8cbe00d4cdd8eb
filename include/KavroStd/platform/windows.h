// Everything of the platform layer in one include: the Win32 and MFC names
// the library and the product modules use on Linux.
#pragma once

#include "KavroStd/platform/win_types.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/collections.h"
#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/crt.h"
#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/afx_exception.h"
#include "KavroStd/platform/afx_file.h"
#include "KavroStd/platform/afx_filefind.h"
#include "KavroStd/platform/profile.h"
#include "KavroStd/platform/module.h"
#include "KavroStd/platform/sync.h"
#include "KavroStd/platform/window.h"
#include "KavroStd/platform/msgbox.h"
