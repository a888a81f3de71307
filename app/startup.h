// Program entry: start-up sequence, command line and choice of mode.
#pragma once

int program_main(int argc, char** argv);
