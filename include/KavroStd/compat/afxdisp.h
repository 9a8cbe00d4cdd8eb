// <afxdisp.h> of a product module: the automation client (COleDispatchDriver) comes with <windows.h>.
#pragma once

#include "windows.h"
