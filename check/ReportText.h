#pragma once

#include "foundation/KString.h"

// A literal of the report, referred to rather than copied.
inline KString text(const wchar_t* literal) {
    return KString(literal, KString::REFER_STATIC);
}

// A name of the tables without its leading separator.
inline KString bareName(const wchar_t* name) {
    return text(name + 1);
}
