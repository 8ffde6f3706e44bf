#include "survey/Install.h"

#include "core/Context.h"

namespace lux {

void installSurvey(Context& ctx) {
  (void)ctx;
}

}  // namespace lux
