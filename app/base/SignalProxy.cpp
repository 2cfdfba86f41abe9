#include "base/SignalProxy.h"
