#pragma once

namespace lumadesk {

// The window's images (toolbar icons, the splitter grip, the program's icon) are compiled into
// the UI library. A static library drops the object that registers them unless something calls
// in, so everything that loads them calls this first. Safe to call any number of times.
void InitUiResources();

} // namespace lumadesk
