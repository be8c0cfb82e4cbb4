#pragma once
#include "gui/map/MapView.h"
