// tesvak: copies the rules file of every echo area of a Squish configuration
// to the area's message-base name plus ".sqr".  Takes no arguments; reads
// tesvak.cfg in the current directory.
#include "driver/run.h"

int main() { return tesvak::RunProgram(*tesvak::MakeSystemPlatform()); }
