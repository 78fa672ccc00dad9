// morvena_bench COMMAND ...: one long-running process per kind of figure, so
// that Wine's process start is paid once and not in every run.
#include "bench_commands.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    struct Command {
        const char *name;
        int (*run)(int, char **);
    };
    const Command commands[] = {
        {"unpack", bench::UnpackCommand},   {"growth", bench::GrowthCommand},
        {"startup", bench::StartupCommand}, {"install", bench::InstallCommand},
        {"once", bench::OnceCommand},
    };
    for (const Command &command : commands)
        if (argc > 1 && std::strcmp(argv[1], command.name) == 0)
            return command.run(argc, argv);
    std::fprintf(stderr, "usage: morvena_bench unpack|growth|startup|install|once ...\n");
    return 2;
}
