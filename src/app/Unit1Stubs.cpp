// Handlers of the main window whose topics are still to come. Each moves into the file of its
// topic when that topic is built; until then the buttons do nothing.
#include "app/Unit1.h"
