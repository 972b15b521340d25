#include "print/Printout.h"
