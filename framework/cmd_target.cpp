#include "framework/cmd_target.h"

const AFX_MSGMAP_ENTRY* AFX_MSGMAP::Find(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = this; map != nullptr; map = map->base) {
        for (const AFX_MSGMAP_ENTRY& e : map->entries) {
            if (e.message != message)
                continue;
            if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_AFX_ACCELERATOR) {
                if (e.code == code && id >= e.idFirst && id <= e.idLast)
                    return &e;
            } else {
                return &e;
            }
        }
    }
    return nullptr;
}

CCmdTarget::~CCmdTarget() = default;

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void*, void*) {
    const AFX_MSGMAP_ENTRY* e = GetMessageMap()->Find(WM_COMMAND, static_cast<UINT>(code), id);
    if (e == nullptr)
        return FALSE;
    e->call(*this, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code)), 0);
    return TRUE;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP map(nullptr, {});
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}
