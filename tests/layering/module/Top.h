// The top of the fixture, which the base must not reach.
#include "base/Up.h"
