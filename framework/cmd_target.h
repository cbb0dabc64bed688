// Command targets and message maps.
//
// A message map is a static table per class, chained to the map of its base class.
// Entries bind a command id, a notification (code, control id) or a window message to a
// member function; the builders below take pointers to members, so no macros are needed.
#pragma once

#include "framework/afx_types.h"

#include <functional>
#include <initializer_list>
#include <vector>

class CCmdTarget;

// What accelerator entries are filed under: a key press is looked up in the map of the
// dialog it was typed in with this message, its modifiers (FCONTROL, FSHIFT, FALT) as the
// code and its virtual-key code as the id.
constexpr UINT WM_AFX_ACCELERATOR = 0x0360;

// One entry of a message map. `message` is WM_COMMAND, WM_NOTIFY or another window
// message; for WM_COMMAND and WM_NOTIFY, `code` is the notification code and
// [idFirst, idLast] the control or command ids it applies to.
struct AFX_MSGMAP_ENTRY {
    UINT message = 0;
    UINT code = 0;
    UINT idFirst = 0;
    UINT idLast = 0;
    // Calls the handler on the target with the message's parameters. For WM_NOTIFY,
    // lParam is the NMHDR* and wParam the LRESULT* for the result.
    std::function<LRESULT(CCmdTarget& target, WPARAM wParam, LPARAM lParam)> call;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* base = nullptr;
    std::vector<AFX_MSGMAP_ENTRY> entries;

    AFX_MSGMAP(const AFX_MSGMAP* baseMap, std::initializer_list<AFX_MSGMAP_ENTRY> list)
        : base(baseMap), entries(list) {}

    // Same as the constructor; names the class whose map this is, for readability.
    template <class T>
    static AFX_MSGMAP Of(const AFX_MSGMAP* baseMap, std::initializer_list<AFX_MSGMAP_ENTRY> list) {
        return AFX_MSGMAP(baseMap, list);
    }

    // First entry of this map or its bases that matches, or nullptr.
    const AFX_MSGMAP_ENTRY* Find(UINT message, UINT code, UINT id) const;
};

// Base of everything that takes commands: windows, the application and plain objects.
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget();
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Offers command `id` with notification code `code` (0 for a button click, a menu
    // item or a posted WM_COMMAND) to this object's message map and its bases' maps.
    // Returns TRUE when a handler ran. `extra` and `handlerInfo` are not used by the
    // framework (always nullptr); they are passed on unchanged. Override it to offer
    // commands to other targets first and then call the base.
    virtual BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo);

    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();
};

namespace afx::detail {
template <class T> T& As(CCmdTarget& target) {
    return static_cast<T&>(target);
}
} // namespace afx::detail

// ---- Entry builders -------------------------------------------------------------------

// WM_COMMAND with notification code 0 (button click, posted command) for `id`: void ().
template <class T> AFX_MSGMAP_ENTRY OnCommandEntry(UINT id, void (T::*fn)()) {
    return {WM_COMMAND, BN_CLICKED, id, id, [fn](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
                (afx::detail::As<T>(t).*fn)();
                return 0;
            }};
}

// WM_COMMAND with code 0 for every id in [first, last]: void (UINT id).
template <class T>
AFX_MSGMAP_ENTRY OnCommandRangeEntry(UINT first, UINT last, void (T::*fn)(UINT)) {
    return {WM_COMMAND, BN_CLICKED, first, last, [fn](CCmdTarget& t, WPARAM w, LPARAM) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(LOWORD(w));
                return 0;
            }};
}

// WM_NOTIFY with `code` from control `id`: void (NMHDR*, LRESULT* result).
template <class T>
AFX_MSGMAP_ENTRY OnNotifyEntry(UINT code, UINT id, void (T::*fn)(NMHDR*, LRESULT*)) {
    return {WM_NOTIFY, code, id, id, [fn](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(reinterpret_cast<NMHDR*>(l),
                                            reinterpret_cast<LRESULT*>(w));
                return 0;
            }};
}

// Any window message without parameters: void () (WM_DESTROY, WM_PAINT, ...).
template <class T> AFX_MSGMAP_ENTRY OnMessageEntry(UINT message, void (T::*fn)()) {
    return {message, 0, 0, 0, [fn](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
                (afx::detail::As<T>(t).*fn)();
                return 0;
            }};
}

// Any window message with its raw parameters: LRESULT (WPARAM, LPARAM).
template <class T> AFX_MSGMAP_ENTRY OnMessageEntry(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {message, 0, 0, 0, [fn](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
                return (afx::detail::As<T>(t).*fn)(w, l);
            }};
}

// WM_TIMER: void (UINT_PTR timerId).
template <class T> AFX_MSGMAP_ENTRY OnTimerEntry(void (T::*fn)(UINT_PTR)) {
    return {WM_TIMER, 0, 0, 0, [fn](CCmdTarget& t, WPARAM w, LPARAM) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(static_cast<UINT_PTR>(w));
                return 0;
            }};
}

// WM_SYSCOMMAND: void (UINT command, LPARAM param).
template <class T> AFX_MSGMAP_ENTRY OnSysCommandEntry(void (T::*fn)(UINT, LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0, 0, [fn](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(static_cast<UINT>(w), l);
                return 0;
            }};
}

// WM_LBUTTONDBLCLK: void (UINT flags, CPoint clientPoint).
template <class T> AFX_MSGMAP_ENTRY OnLButtonDblClkEntry(void (T::*fn)(UINT, CPoint)) {
    return {WM_LBUTTONDBLCLK, 0, 0, 0, [fn](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
                (afx::detail::As<T>(t).*fn)(static_cast<UINT>(w),
                                            CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)));
                return 0;
            }};
}

// WM_QUERYDRAGICON: HCURSOR ().
template <class T> AFX_MSGMAP_ENTRY OnQueryDragIconEntry(HCURSOR (T::*fn)()) {
    return {WM_QUERYDRAGICON, 0, 0, 0, [fn](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>((afx::detail::As<T>(t).*fn)());
            }};
}

// An accelerator of a dialog: the key `key` (a virtual-key code: 'S' for S) pressed with
// exactly the modifiers in `modifiers` (FCONTROL, FSHIFT, FALT; FVIRTKEY is implied)
// anywhere in the dialog sends the command `command`, as a menu item would (WM_COMMAND,
// code 0), before the focused control sees the key.
inline AFX_MSGMAP_ENTRY AcceleratorEntry(BYTE modifiers, WORD key, UINT command) {
    return {WM_AFX_ACCELERATOR, static_cast<UINT>(modifiers & (FSHIFT | FCONTROL | FALT)), key, key,
            [command](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
                t.OnCmdMsg(command, 0, nullptr, nullptr);
                return 0;
            }};
}
