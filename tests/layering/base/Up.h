// Goes up from the base: the check must refuse it, and name the cycle it makes.
#include "module/Top.h"
