#include "views/HoverTip.h"
