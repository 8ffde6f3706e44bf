#include "logger/Install.h"

#include "app/Context.h"

namespace lux {

void installLogger(Context& ctx) { (void)ctx; }

}  // namespace lux
