#include "panel/panel.h" // linked, but above
