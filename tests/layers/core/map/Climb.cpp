#include "../../gui/map/MapView.h"
