#include "records/Install.h"

#include "app/Context.h"

namespace lux {

void installRecords(Context& ctx) { (void)ctx; }

}  // namespace lux
