#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench.h"

namespace {

struct Entry {
    const char* name;
    bench::BenchFunction run;
};

std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

std::vector<Entry>& EntriesBeforeApplication()
{
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace

bool bench::Register(const char* name, BenchFunction run)
{
    Entries().push_back({name, run});
    return true;
}

bool bench::RegisterBeforeApplication(const char* name, BenchFunction run)
{
    EntriesBeforeApplication().push_back({name, run});
    return true;
}

void bench::Figure(const char* name, double value, const char* unit)
{
    std::printf("%s: %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Arguments, when given, name the benchmarks to run.
static bool Selected(int argc, char** argv, const char* name)
{
    if (argc < 2)
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--minimal-window") == 0)
        return bench::MinimalWindowMain(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_NUMERIC, "C");
    for (const Entry& e : EntriesBeforeApplication())
        if (Selected(argc, argv, e.name))
            e.run();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    for (const Entry& e : Entries())
        if (Selected(argc, argv, e.name))
            e.run();
    return 0;
}
