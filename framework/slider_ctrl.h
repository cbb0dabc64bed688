// CSliderCtrl: trackbar.
#pragma once

#include "framework/wnd.h"

// Each time the trackbar paints it sends WM_NOTIFY NM_CUSTOMDRAW (an NMCUSTOMDRAW with
// CDDS_PREPAINT) to its dialog. Moving it, changing its range or position and
// uncovering the window repaint it; a mouse merely passing over it does not.
// The position is kept within [min, max] (min wins when max < min); the range is
// reported as set, also when max < min.
class CSliderCtrl : public CWnd {
public:
    void SetRange(int minPos, int maxPos, BOOL redraw = FALSE);
    void GetRange(int& minPos, int& maxPos) const;
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int pos);
    int GetPos() const;
};
