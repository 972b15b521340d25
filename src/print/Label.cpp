#include "print/Label.h"
