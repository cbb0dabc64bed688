#include "framework/qt_internal.h"

void CProgressCtrl::SetRange32(int lower, int upper) {
    SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(static_cast<INT_PTR>(lower)), upper);
}
void CProgressCtrl::GetRange(int& lower, int& upper) const {
    auto* self = const_cast<CProgressCtrl*>(this);
    lower = static_cast<int>(self->SendMessage(PBM_GETRANGE, TRUE));
    upper = static_cast<int>(self->SendMessage(PBM_GETRANGE, FALSE));
}
int CProgressCtrl::SetPos(int pos) {
    return static_cast<int>(
        SendMessage(PBM_SETPOS, static_cast<WPARAM>(static_cast<INT_PTR>(pos))));
}
int CProgressCtrl::GetPos() const {
    return static_cast<int>(const_cast<CProgressCtrl*>(this)->SendMessage(PBM_GETPOS));
}
int CProgressCtrl::SetStep(int step) {
    return static_cast<int>(
        SendMessage(PBM_SETSTEP, static_cast<WPARAM>(static_cast<INT_PTR>(step))));
}
int CProgressCtrl::StepIt() {
    return static_cast<int>(SendMessage(PBM_STEPIT));
}
