// Run-time class information: read from the objects the framework attaches to
// real windows, as code that holds only a window handle reads it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CounterWnd : public CWnd {
    DECLARE_DYNAMIC(CounterWnd)
};
IMPLEMENT_DYNAMIC(CounterWnd, CWnd)

// Declares nothing of its own: it answers as its nearest declared base.
class QuietCounterWnd : public CounterWnd {};

// The class names from an object's class up to the root.
std::vector<std::string> Chain(const CObject& object) {
    std::vector<std::string> names;
    for (const CRuntimeClass* c = object.GetRuntimeClass(); c; c = c->m_pBaseClass) names.push_back(c->m_lpszClassName);
    return names;
}

using Names = std::vector<std::string>;

TEST(RuntimeClass, EachDeclaredClassNamesItselfAndItsBases) {
    CounterWnd counter;
    EXPECT_EQ(Chain(counter), (Names{"CounterWnd", "CWnd", "CCmdTarget", "CObject"}));
    QuietCounterWnd quiet;
    EXPECT_EQ(Chain(quiet), (Names{"CounterWnd", "CWnd", "CCmdTarget", "CObject"}));
    ScriptedDialog dlg;
    EXPECT_EQ(Chain(dlg), (Names{"CDialog", "CWnd", "CCmdTarget", "CObject"}));
    // The application object routes commands but is no window.
    EXPECT_EQ(Chain(theApp), (Names{"CCmdTarget", "CObject"}));
    EXPECT_TRUE(theApp.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_FALSE(theApp.IsKindOf(RUNTIME_CLASS(CWnd)));

    // Derivation runs one way only, and a class is a kind of itself.
    EXPECT_TRUE(RUNTIME_CLASS(CDialog)->IsDerivedFrom(RUNTIME_CLASS(CDialog)));
    EXPECT_TRUE(RUNTIME_CLASS(CDialog)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(RUNTIME_CLASS(CWnd)->IsDerivedFrom(RUNTIME_CLASS(CDialog)));
    EXPECT_FALSE(RUNTIME_CLASS(CounterWnd)->IsDerivedFrom(RUNTIME_CLASS(CDialog)));
    EXPECT_FALSE(RUNTIME_CLASS(CDialog)->IsDerivedFrom(nullptr));
}

TEST(RuntimeClass, ObjectFoundFromItsWindowTellsWhatItIs) {
    QuietCounterWnd counter;
    ASSERT_TRUE(counter.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    CWnd* found = CWnd::FromHandle(counter.m_hWnd);
    ASSERT_EQ(found, &counter);
    EXPECT_STREQ(found->GetRuntimeClass()->m_lpszClassName, "CounterWnd");
    EXPECT_TRUE(found->IsKindOf(RUNTIME_CLASS(CounterWnd)));
    EXPECT_FALSE(found->IsKindOf(RUNTIME_CLASS(CDialog)));
}

TEST(RuntimeClass, DialogAndItsBoundControlAreToldApartInsideTheModalLoop) {
    ScriptedDialog dlg;
    dlg.bindEdit = true;
    std::string dialogClass, editClass;
    bool dialogIsDialog = false, editIsDialog = true, editIsWnd = false;
    dlg.steps = {[&](ScriptedDialog& d) {
        // Only the window handles: the dialog's, and its edit control's.
        CWnd* dialog = CWnd::FromHandle(d.m_hWnd);
        CWnd* edit = CWnd::FromHandle(::GetDlgItem(d.m_hWnd, IDC_EDIT));
        if (dialog && edit) {
            dialogClass = dialog->GetRuntimeClass()->m_lpszClassName;
            editClass = edit->GetRuntimeClass()->m_lpszClassName;
            dialogIsDialog = dialog->IsKindOf(RUNTIME_CLASS(CDialog));
            editIsDialog = edit->IsKindOf(RUNTIME_CLASS(CDialog));
            editIsWnd = edit->IsKindOf(RUNTIME_CLASS(CWnd));
        }
        d.EndDialog(IDOK);
    }};
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dialogClass, "CDialog");
    EXPECT_TRUE(dialogIsDialog);
    EXPECT_EQ(editClass, "CWnd");  // CEdit declares nothing of its own
    EXPECT_FALSE(editIsDialog);
    EXPECT_TRUE(editIsWnd);
}

}  // namespace
