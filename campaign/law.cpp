#include "campaign/law.h"

namespace zarudiv {

Law ZeroLaw(long double step, int n)
{
    Law law;
    law.activator = ZeroVector(n);
    law.inhibitor = ZeroVector(n);
    law.step = step;
    return law;
}

}  // namespace zarudiv
