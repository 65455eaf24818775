// GDI objects the process can still make: GetGuiResources answers 0 under Wine, so the count
// is taken by making brushes until the handle table is full, then deleting them.
#pragma once

int FreeGdiHandles();
