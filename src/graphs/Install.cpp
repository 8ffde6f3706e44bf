#include "graphs/Install.h"

#include "app/Context.h"

namespace lux {

void installGraphs(Context& ctx) { (void)ctx; }

}  // namespace lux
