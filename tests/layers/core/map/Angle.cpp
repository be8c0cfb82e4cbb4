// An include of a higher layer, each form: the test "layers" must refuse each.
#include <gui/map/MapView.h>
