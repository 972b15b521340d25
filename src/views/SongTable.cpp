#include "views/SongTable.h"
