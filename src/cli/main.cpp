#include "cli/CliApp.h"

wxIMPLEMENT_APP_CONSOLE(CliApp);
