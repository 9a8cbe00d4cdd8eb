// <afxstr.h> of a product module: MFC as the layer has it; all of it comes with <afx.h>.
#pragma once

#include "afx.h"
