// The bench program's commands; each takes the whole command line.
#pragma once

namespace bench {

int UnpackCommand(int argc, char **argv);
int GrowthCommand(int argc, char **argv);
int StartupCommand(int argc, char **argv);
int InstallCommand(int argc, char **argv);
int OnceCommand(int argc, char **argv);

} // namespace bench
