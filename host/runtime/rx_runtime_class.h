// Defines the class services of a class the runtime implements and registers it in
// the class dictionary when the runtime library loads.
#pragma once

#include <type_traits>

#include "rxboiler.h"

namespace acrt {

// Registers (once) a runtime class under its name with its parent and DXF name.
AcRxClass* registerRuntimeClass(const ACHAR* name, AcRxClass* parent, const ACHAR* dxfName,
                                AcRxPseudoConstructor constructor);

template <class T>
AcRxObject* instantiateRuntimeClass()
{
    if constexpr (std::is_default_constructible<T>::value && !std::is_abstract<T>::value)
        return new (std::nothrow) T();
    else
        return nullptr;
}

template <class T>
constexpr AcRxPseudoConstructor runtimeConstructorOf()
{
    if constexpr (std::is_default_constructible<T>::value && !std::is_abstract<T>::value)
        return &instantiateRuntimeClass<T>;
    else
        return nullptr;
}

}  // namespace acrt

#define ACRT_DEFINE_CLASS(CLASS_NAME, PARENT_CLASS, DXF_NAME)                                        \
    AcRxClass* CLASS_NAME::desc()                                                                    \
    {                                                                                                \
        static AcRxClass* s_class = ::acrt::registerRuntimeClass(                                    \
            ACRX_T(#CLASS_NAME), PARENT_CLASS::desc(), ACRX_T(DXF_NAME),                             \
            ::acrt::runtimeConstructorOf<CLASS_NAME>());                                             \
        return s_class;                                                                              \
    }                                                                                                \
    AcRxClass* CLASS_NAME::isA() const { return CLASS_NAME::desc(); }                                \
    static AcRxClass* const CLASS_NAME##_registeredAtLoad = CLASS_NAME::desc()
