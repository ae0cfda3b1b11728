#include "settings/IIf.h"

namespace settings {

TVariant IIf(bool condition, const TVariant& whenTrue, const TVariant& whenFalse) {
    return condition ? whenTrue : whenFalse;
}

}  // namespace settings
