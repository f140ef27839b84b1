// zel_toolbox: runs one command of the toolbox per process.
#include "protocol.h"

int main(int argc, char** argv) { return zel::run_toolbox(argc, argv); }
