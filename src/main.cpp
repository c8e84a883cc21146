#include "UtilityApp.h"

wxIMPLEMENT_APP(UtilityApp);
