#include "panel/ParameterInputs.h"

#include "app/Context.h"

namespace lux {

void installParameterInputs(Context& ctx) { (void)ctx; }

}  // namespace lux
