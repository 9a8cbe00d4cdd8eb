// <wininet.h> of a product module: part of <windows.h>, which brings in the whole layer.
#pragma once

#include "windows.h"
