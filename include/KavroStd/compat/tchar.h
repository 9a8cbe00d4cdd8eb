// <tchar.h> of a UNICODE build: the _t and _tcs names over the wide runtime.
#pragma once

#include "windows.h"
#include "KavroStd/platform/tchar_routines.h"
