// Thin wrappers of the standard and common controls the programs use, plus
// the GDI-side helpers CImageList and CFont. Each wrapper is a CWnd bound to
// an existing control (normally by DDX_Control) and only sends the control's
// messages; results are the controls' own (LB_ERR, -1, ...).
//
//   CStatic    SetIcon/SetCursor send STM_SETIMAGE and return the
//              previous image of that type.
//              The control does not own the image: its owner destroys it.
//   CListBox   InsertString at an explicit index (a sorted list box does not
//              sort inserted strings), item data, selection, GetText.
//   CListCtrl  list view: InsertItem with text and image, image lists, extended
//              style, item state, count per page, icon spacing.
//   CTabCtrl   InsertItem with text.
//   CImageList owns an image list created from a bitmap resource of the
//              program; destroyed with the object unless Detach gave it away
//              (to a list view that destroys it itself, see SetImageList).
//   CFont      owns a font; CreatePointFont(tenths of a point, face) takes the
//              height from the screen's LOGPIXELSY as MFC does:
//              lfHeight = -(LOGPIXELSY * tenths / 720) (integer division).
#pragma once

#include "framework/Wnd.h"
#include "common/Handles.h"

#include <commctrl.h>

#include <string>

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON hIcon);
    HCURSOR SetCursor(HCURSOR hCursor);
};

class CButton : public CWnd {};

class CEdit : public CWnd {};

class CListBox : public CWnd {
public:
    int InsertString(int nIndex, const char* lpszItem);  // the index, or LB_ERR / LB_ERRSPACE
    int SetItemData(int nIndex, DWORD_PTR dwItemData);   // LB_ERR on failure
    DWORD_PTR GetItemData(int nIndex) const;             // LB_ERR on failure
    int SetCurSel(int nSelect);                          // LB_ERR also for -1 (clearing)
    int GetCurSel() const;                               // LB_ERR when nothing is selected
    // The entry's text; LB_ERR (and an empty text) for a bad index.
    int GetText(int nIndex, std::string& text) const;
};

class CImageList;

class CListCtrl : public CWnd {
public:
    int InsertItem(int nItem, const char* lpszItem, int nImage);  // the index, or -1
    // Sets the image list of the given kind (LVSIL_NORMAL, LVSIL_SMALL, ...) and
    // returns the previous one, which the caller must destroy if it owns it.
    // A list view without LVS_SHAREIMAGELISTS destroys its image lists when it
    // is destroyed: then hand ownership over (CImageList::Detach) once it holds
    // the list, or the list is destroyed twice. With the style the caller keeps it.
    HIMAGELIST SetImageList(CImageList* pImageList, int nImageListType);
    HIMAGELIST GetImageList(int nImageListType) const;  // null when none is set
    DWORD SetExtendedStyle(DWORD dwNewStyle);           // returns the previous style
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    int GetCountPerPage() const;
    DWORD SetIconSpacing(int cx, int cy);  // previous spacing, MAKELONG(cx, cy)
};

class CTabCtrl : public CWnd {
public:
    int InsertItem(int nItem, const char* lpszItem);  // the index, or -1
};

namespace pw {
inline void close_imagelist(HIMAGELIST h) { ImageList_Destroy(h); }
using unique_himagelist = unique_any<HIMAGELIST, &close_imagelist>;
}  // namespace pw

class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // From bitmap resource nBitmapID of the program; cx 0 makes each image as
    // wide as the bitmap is high. crMask is the transparent colour. Replaces
    // a list held before. FALSE on failure.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    // Gives up ownership: the list is no longer destroyed with this object.
    HIMAGELIST Detach() { return m_list.release(); }

    HIMAGELIST GetSafeHandle() const { return m_list.get(); }
    operator HIMAGELIST() const { return m_list.get(); }

private:
    pw::unique_himagelist m_list;
};

class CFont {
public:
    CFont() = default;
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // nPointSize in tenths of a point (140 is 14 points). hDC null: the screen.
    BOOL CreatePointFont(int nPointSize, const char* lpszFaceName, HDC hDC = nullptr);
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);

    HFONT GetSafeHandle() const { return m_font.get(); }
    operator HFONT() const { return m_font.get(); }

    // The LOGFONT height CreatePointFont uses for a device of the given LOGPIXELSY.
    static LONG PointSizeToHeight(int nPointSize, int logPixelsY);

private:
    pw::unique_hfont m_font;
};
