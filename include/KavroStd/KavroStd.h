// KavroStd: the common support library of the product modules. One include
// for everything: the platform layer and every subsystem.
#pragma once

#include "KavroStd/platform/windows.h"
#include "KavroStd/env.h"
#include "KavroStd/settings.h"
#include "KavroStd/text.h"
#include "KavroStd/files.h"
#include "KavroStd/toolbar.h"
