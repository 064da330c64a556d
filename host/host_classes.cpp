#include "host_classes.h"

#include "runtime.h"

namespace ks {

void RegisterHostClasses(Runtime& rt) { (void)rt; }

}  // namespace ks
