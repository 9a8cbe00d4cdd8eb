// <windows.h> of a product module: the layer's Win32 and MFC names.
#pragma once

#include "KavroStd/platform/windows.h"
#include "kavro_declspec.h"
