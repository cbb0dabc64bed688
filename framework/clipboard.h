// The system clipboard.
#pragma once

#include "framework/afx_types.h"

class CBitmap;

// Puts a copy of the bitmap's picture on the clipboard in place of what it held, for
// other programs to paste. FALSE when the bitmap was never created.
BOOL AfxSetClipboardBitmap(const CBitmap& bitmap);
