#pragma once

#include "settings/Variant.h"

namespace settings {

// A copy of whenTrue if the condition holds, else a copy of whenFalse.
TVariant IIf(bool condition, const TVariant& whenTrue, const TVariant& whenFalse);

}  // namespace settings
