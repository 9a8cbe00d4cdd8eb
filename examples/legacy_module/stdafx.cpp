// stdafx.cpp: the source that builds the precompiled header on Windows.
#include "stdafx.h"
