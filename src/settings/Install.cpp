#include "settings/Install.h"

#include "app/Context.h"

namespace lux {

void installSettings(Context& ctx) { (void)ctx; }

}  // namespace lux
