// The details of the file information window with a plan of 100,000 items:
// taking the plan into the model (sorted by the current column, as the
// window opens it) and sorting it again by name and by size.
#include "engine/RunPlan.h"
#include "scan/FileRecord.h"
#include "ui/PlanListModel.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr int kItems = 100000;

CRunPlan MakePlan()
{
    CRunPlan plan;
    const CRunPlan::Kind kinds[] = { CRunPlan::Kind::Added, CRunPlan::Kind::Replaced, CRunPlan::Kind::Deleted };
    for (int i = 0; i < kItems; ++i) {
        // Names in no order, mixed case, below a few folders.
        const unsigned mixed = static_cast<unsigned>(i) * 2654435761u;
        CFileRecord record;
        record.Path = "/media/backup/Pictures/" + std::to_string(mixed % 97) + (mixed % 2 ? "/Image_" : "/image_")
            + std::to_string(mixed) + ".jpeg";
        record.Attributes = 0x20;
        record.Size = mixed % 10000000;
        plan.Add(kinds[mixed % 3], record, mixed % 7 == 0);
    }
    return plan;
}

const CRunPlan& SharedPlan()
{
    static const CRunPlan plan = MakePlan();
    return plan;
}

// The copy of the plan is made outside the timing: the window takes the
// run's plan by moving it.
void FillSorted(benchmark::State& state)
{
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CRunPlan plan = SharedPlan();
        CPlanListModel model;
        model.sort(column, Qt::AscendingOrder);
        state.ResumeTiming();
        model.SetPlan(std::move(plan));
        benchmark::DoNotOptimize(model.rowCount());
        state.PauseTiming();
        plan = CRunPlan();
        state.ResumeTiming();
    }
}

void Resort(benchmark::State& state)
{
    CPlanListModel model;
    model.SetPlan(SharedPlan());
    const int column = static_cast<int>(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        ascending = !ascending;
    }
}

void Filter(benchmark::State& state)
{
    CPlanListModel model;
    model.SetPlan(SharedPlan());
    model.sort(CPlanListModel::Name, Qt::AscendingOrder);
    bool all = false;
    for (auto _ : state) {
        model.SetKinds(all ? CPlanListModel::kAllKinds : CPlanListModel::KindBit(CRunPlan::Kind::Replaced));
        all = !all;
    }
}

} // namespace

BENCHMARK(FillSorted)
    ->Arg(CPlanListModel::What)
    ->Arg(CPlanListModel::Name)
    ->Arg(CPlanListModel::Size)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Resort)->Arg(CPlanListModel::Name)->Arg(CPlanListModel::Size)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
