// Run-time class information of the framework's root.
#include "framework/Object.h"

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

bool CObject::IsKindOf(const CRuntimeClass* pClass) const noexcept { return GetRuntimeClass()->IsDerivedFrom(pClass); }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const noexcept {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
        if (c == pBaseClass) return true;
    return false;
}
