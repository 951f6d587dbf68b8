#include <QApplication>
#include <clocale>
#include <cstdio>
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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_NUMERIC, "C");
    for (const Entry& e : EntriesBeforeApplication())
        e.run();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    for (const Entry& e : Entries())
        e.run();
    return 0;
}
