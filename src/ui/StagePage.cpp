// The page interface has no code of its own; this file gives its meta
// object a home.
#include "ui/StagePage.h"
