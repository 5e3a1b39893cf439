// mirvane-host: a stand-in for the mail client that loads the plug-in, offers it the host
// functions and drives it from the command line. See Cli.cpp for the verbs.
#include "host/cli/Verbs.h"

int main(int argc, char** argv) { return RunHost(argc, argv); }
