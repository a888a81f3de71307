#include "app/startup.h"

int main(int argc, char** argv) { return program_main(argc, argv); }
