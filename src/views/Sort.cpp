#include "views/Sort.h"
