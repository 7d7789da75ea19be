// The root of the message-map chain and the table walk every window dispatches through.
#include "framework/MessageMap.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{AFX_MSGMAP_ENTRY::End, 0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP theMap = {nullptr, &entries[0]};
    return &theMap;
}

bool CCmdTarget::EntryMatches(const AFX_MSGMAP_ENTRY& e, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (e.kind) {
    case AFX_MSGMAP_ENTRY::Message: return message >= e.nMessage && message <= e.nLastMessage;
    case AFX_MSGMAP_ENTRY::Command: {
        if (message != WM_COMMAND) return false;
        UINT code = HIWORD(wParam);
        // An accelerator (code 1 without a control) is the same command as a menu pick.
        if (lParam == 0 && code == 1) code = 0;
        return code == e.nCode && LOWORD(wParam) == e.nID;
    }
    case AFX_MSGMAP_ENTRY::Notify: {
        if (message != WM_NOTIFY || lParam == 0) return false;
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        return hdr->code == e.nCode && hdr->idFrom == e.nID;
    }
    case AFX_MSGMAP_ENTRY::End: break;
    }
    return false;
}

bool CCmdTarget::DispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->kind != AFX_MSGMAP_ENTRY::End; ++e) {
            if (EntryMatches(*e, message, wParam, lParam)) {
                LRESULT r = e->pfn(this, message, wParam, lParam);
                if (pResult) *pResult = r;
                return true;
            }
        }
    }
    return false;
}
