#include "framework/control_widgets.h"

void CSliderCtrl::SetRange(int minPos, int maxPos, BOOL redraw) {
    if (auto* s = dynamic_cast<afx::detail::AfxSlider*>(m_hWnd)) {
        s->SetRangeAsSet(minPos, maxPos);
        if (redraw)
            s->update();
    }
}
void CSliderCtrl::GetRange(int& minPos, int& maxPos) const {
    minPos = GetRangeMin();
    maxPos = GetRangeMax();
}
int CSliderCtrl::GetRangeMin() const {
    return static_cast<int>(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETRANGEMIN));
}
int CSliderCtrl::GetRangeMax() const {
    return static_cast<int>(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETRANGEMAX));
}
void CSliderCtrl::SetPos(int pos) {
    SendMessage(TBM_SETPOS, TRUE, pos);
}
int CSliderCtrl::GetPos() const {
    return static_cast<int>(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETPOS));
}
