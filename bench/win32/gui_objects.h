// How many GDI and USER objects this process holds, on Windows and under Wine.
#pragma once

namespace torven::bench {

// Windows counts them itself (GetGuiResources). Wine's GetGuiResources answers 0, so
// there the GDI objects are the live entries of the GDI handle table Wine keeps in the
// process environment block, and the USER objects the live windows and menus found by
// probing the first user handles.
int GdiObjects();
int UserObjects();

}  // namespace torven::bench
