#include "views/SelectedPlaylistView.h"
