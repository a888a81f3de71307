#include "app/startup.h"

int program_main(int, char**) { return 0; }
