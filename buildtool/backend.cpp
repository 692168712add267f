#include "buildtool/backend.h"

#include "buildtool/pv2backend.h"
#include "buildtool/pv3backend.h"

namespace kestrel {

const BackEnd* backEndFor(int pvModel) {
  switch (pvModel) {
    case 2: return &kPv2BackEnd;
    case 3: return &kPv3BackEnd;
    default: return nullptr;
  }
}

}  // namespace kestrel
