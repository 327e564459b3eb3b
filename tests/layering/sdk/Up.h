// An SDK file that reaches up into the module: the check must refuse it.
#include "recording/parallelThreadData.h"
