// Reading a button's one-line text form, shared by CJButtonParam::SetString
// and the toolbar file loader.
#pragma once

#include "KavroStd/toolbar.h"

namespace kavro::toolbar {

// Moves the '|' parts of a button's text form (as SpliteStrToAry gives them)
// into the button's texts: part 1 name, 2 text 3 (trailing spaces removed),
// 3 text 2, 4 text 5, 5 text 4, 6 text 6. Missing parts leave their texts
// alone, further parts are ignored. The caller has checked for two parts.
void TakeButtonTexts(CJButtonParam& button, CStringArray& parts);

}  // namespace kavro::toolbar
