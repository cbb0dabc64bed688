// CProgressCtrl: progress bar.
#pragma once

#include "framework/wnd.h"

// SetPos keeps the position within the range. StepIt adds the step; a position past the
// upper bound starts over from the lower bound (pos = lower + (pos - upper)).
class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper);
    void GetRange(int& lower, int& upper) const;
    // Each returns the previous position or step.
    int SetPos(int pos);
    int GetPos() const;
    int SetStep(int step);
    int StepIt();
};
