#include "views/DisplayReset.h"
