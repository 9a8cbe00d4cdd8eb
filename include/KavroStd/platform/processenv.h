/// @file
/// @ingroup platform_layer
/// The process's command line, as Windows hands it to a program.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_types.h"

/// The command line the process was started with (/proc/self/cmdline),
/// written by the Windows quoting rules so that CommandLineToArgvW-style
/// splitting gives the arguments back: an argument that is empty or holds a
/// blank or a double quote is put in double quotes, with its quotes and the
/// backslashes before them escaped by backslashes. An absolute program path
/// comes in Windows form on its drive (/usr/bin/app is Z:\usr\bin\app);
/// the other arguments are passed as they were. Built once; the text lives
/// until the process ends.
KVSTD_C_API LPWSTR GetCommandLineW();
