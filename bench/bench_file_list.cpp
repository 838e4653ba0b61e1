// The file lists of the summary and view folders windows with 100,000
// rows: filling the model, sorting it by name and by size, and opening the
// whole window on the offscreen platform.
#include "ui/FileListModel.h"
#include "ui/ViewFoldersDlg.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr int kRows = 100000;

CFileRecordArray Records()
{
    CFileRecordArray records;
    records.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        CFileRecord record;
        // Names in no order, mixed case, below a few folders.
        const unsigned mixed = static_cast<unsigned>(i) * 2654435761u;
        record.Path = "/home/someone/Pictures/" + std::to_string(mixed % 97) + (mixed % 2 ? "/Image_" : "/image_")
            + std::to_string(mixed) + ".jpeg";
        record.Attributes = 0x20;
        record.Size = mixed % 10000000;
        record.LastWriteTime = 132223104000000000ULL + mixed;
        records.push_back(std::move(record));
    }
    return records;
}

const CFileRecordArray& SharedRecords()
{
    static const CFileRecordArray records = Records();
    return records;
}

void FillModel(benchmark::State& state)
{
    for (auto _ : state) {
        CFileListModel model;
        model.SetRecords(SharedRecords());
        benchmark::DoNotOptimize(model.rowCount());
    }
}

void SortModel(benchmark::State& state)
{
    CFileListModel model;
    model.SetRecords(SharedRecords());
    const int column = static_cast<int>(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        ascending = !ascending;
    }
}

void OpenViewFolders(benchmark::State& state)
{
    for (auto _ : state) {
        CViewFoldersDlg view(SharedRecords(), QStringLiteral("Processed Files/Folders"), false);
        view.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.Model()->rowCount());
    }
}

} // namespace

BENCHMARK(FillModel)->Unit(benchmark::kMillisecond);
BENCHMARK(SortModel)->Arg(CFileListModel::Name)->Arg(CFileListModel::Size)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenViewFolders)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
