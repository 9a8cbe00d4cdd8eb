// <Windows.h>, as Visual Studio's templates spell it: the same as <windows.h>.
#pragma once

#include "windows.h"
