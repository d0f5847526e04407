// The program's single tuner graph manager, constructed before WinMain (joining COM) and
// torn down at process exit.
#include "tuner/TunerGraph.h"

CTunerGraph g_TunerGraph;
