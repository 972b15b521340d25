#include "views/CustomDisplay.h"
