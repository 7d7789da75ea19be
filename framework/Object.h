// Run-time class information: which framework class an object is, by name,
// and whether it derives from another, without the compiler's RTTI.
//
//   class CSysTray : public CWnd {
//       DECLARE_DYNAMIC(CSysTray)
//       ...
//   };
//   IMPLEMENT_DYNAMIC(CSysTray, CWnd)        // in the .cpp
//
//   CWnd* w = CWnd::FromHandle(hWnd);
//   w->GetRuntimeClass()->m_lpszClassName    // "CSysTray"
//   w->IsKindOf(RUNTIME_CLASS(CWnd))         // true
//
// Each class that declares itself gets one static CRuntimeClass record named
// "class" + its name, holding its name and its base class's record, and an
// override of GetRuntimeClass returning it. A class that does not declare
// itself answers with the record of its nearest declared base. There is
// dynamic type identification only: no dynamic creation and no serialisation.
// The records are constant data, so reading them is safe from any thread.
//
// CObject is the root: GetRuntimeClass is its first virtual member and the
// destructor its second, so every framework class starts its table alike.
#pragma once

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;  // null for CObject

    // True when this class is pBaseClass or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const noexcept;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)               \
public:                                           \
    static const CRuntimeClass class##class_name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                 \
    const CRuntimeClass class_name::class##class_name = {#class_name, RUNTIME_CLASS(base_class_name)}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

class CObject {
public:
    static const CRuntimeClass classCObject;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    // True when the object's class is pClass or derives from it.
    bool IsKindOf(const CRuntimeClass* pClass) const noexcept;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
