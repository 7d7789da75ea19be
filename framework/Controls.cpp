// Control wrappers, image lists and fonts.
#include "framework/Controls.h"

#include "framework/WinApp.h"

#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------
// CStatic

HICON CStatic::SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(SendMessage(STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
}
HCURSOR CStatic::SetCursor(HCURSOR hCursor) {
    return reinterpret_cast<HCURSOR>(SendMessage(STM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hCursor)));
}

// ---------------------------------------------------------------------------
// CListBox

namespace {
LRESULT Send(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT whenNoWindow) {
    return h ? ::SendMessageA(h, msg, w, l) : whenNoWindow;
}
}  // namespace

int CListBox::InsertString(int nIndex, const char* lpszItem) {
    return static_cast<int>(Send(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                 reinterpret_cast<LPARAM>(lpszItem ? lpszItem : ""), LB_ERR));
}

int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(
        Send(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData), LB_ERR));
}

DWORD_PTR CListBox::GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(Send(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0, LB_ERR));
}

int CListBox::SetCurSel(int nSelect) {
    return static_cast<int>(Send(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(nSelect), 0, LB_ERR));
}

int CListBox::GetCurSel() const { return static_cast<int>(Send(m_hWnd, LB_GETCURSEL, 0, 0, LB_ERR)); }

int CListBox::GetText(int nIndex, std::string& text) const {
    text.clear();
    LRESULT len = Send(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0, LB_ERR);
    if (len == LB_ERR || len < 0) return LB_ERR;
    // Room for the text the list reports plus its terminator.
    std::vector<char> buf(static_cast<size_t>(len) + 1, '\0');
    LRESULT got = ::SendMessageA(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(buf.data()));
    if (got == LB_ERR || got < 0) return LB_ERR;
    if (got > len) got = len;
    text.assign(buf.data(), strnlen(buf.data(), static_cast<size_t>(got)));
    return static_cast<int>(text.size());
}

// ---------------------------------------------------------------------------
// CListCtrl

int CListCtrl::InsertItem(int nItem, const char* lpszItem, int nImage) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(lpszItem ? lpszItem : "");
    item.iImage = nImage;
    return static_cast<int>(Send(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item), -1));
}

HIMAGELIST CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
    HIMAGELIST h = pImageList ? pImageList->GetSafeHandle() : nullptr;
    return reinterpret_cast<HIMAGELIST>(
        Send(m_hWnd, LVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType), reinterpret_cast<LPARAM>(h), 0));
}

HIMAGELIST CListCtrl::GetImageList(int nImageListType) const {
    return reinterpret_cast<HIMAGELIST>(Send(m_hWnd, LVM_GETIMAGELIST, static_cast<WPARAM>(nImageListType), 0, 0));
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
    return static_cast<DWORD>(Send(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwNewStyle), 0));
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMA item{};
    item.state = nState;
    item.stateMask = nMask;
    return static_cast<BOOL>(
        Send(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item), FALSE));
}

int CListCtrl::GetCountPerPage() const { return static_cast<int>(Send(m_hWnd, LVM_GETCOUNTPERPAGE, 0, 0, 0)); }

DWORD CListCtrl::SetIconSpacing(int cx, int cy) {
    return static_cast<DWORD>(Send(m_hWnd, LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy), 0));
}

// ---------------------------------------------------------------------------
// CTabCtrl

int CTabCtrl::InsertItem(int nItem, const char* lpszItem) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(lpszItem ? lpszItem : "");
    return static_cast<int>(
        Send(m_hWnd, TCM_INSERTITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item), -1));
}

// ---------------------------------------------------------------------------
// CImageList

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) {
    HIMAGELIST h =
        ImageList_LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nBitmapID), cx, nGrow, crMask, IMAGE_BITMAP, 0);
    m_list.reset(h);
    return h != nullptr;
}

// ---------------------------------------------------------------------------
// CFont

LONG CFont::PointSizeToHeight(int nPointSize, int logPixelsY) {
    long h = static_cast<long>(logPixelsY) * nPointSize / 720;
    return -std::labs(h);
}

BOOL CFont::CreatePointFont(int nPointSize, const char* lpszFaceName, HDC hDC) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName) {
        std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    }
    HDC dc = hDC ? hDC : GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (!hDC && dc) ReleaseDC(nullptr, dc);
    lf.lfHeight = PointSizeToHeight(nPointSize, dpi);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont) {
    if (lpLogFont == nullptr) return FALSE;
    m_font.reset(::CreateFontIndirectA(lpLogFont));
    return m_font ? TRUE : FALSE;
}
