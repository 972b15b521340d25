#include "views/PlaylistListing.h"
