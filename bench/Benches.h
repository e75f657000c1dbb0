#pragma once

#include "BenchSupport.h"

#include <QString>
#include <vector>

namespace vrq::bench {

// What one run of vrq_bench measures; the smoke run makes every size tiny.
struct BenchOptions {
    QString workRoot;        // temporary folder for stores, inputs and outputs
    QString programPath;     // the built vrqtoqx7
    QString windowBenchPath; // the built vrq_bench_window (empty without the window layer)
    QString floorPath;       // the built vrq_bench_floor
    int reps = 5;
    int memoryReps = 3;
    std::vector<int> intakeSizes{2000, 20000};
    std::vector<int> processIntakeSizes{2000, 20000};
    int ordersPerCall = 5;
    int itemsPerOrder = 8;
    int exportCalls = 5000;
    int windowCalls = 100000;
    double memoryMegabytes = 100;
    bool intake = true;
    bool process = true;
    bool exportFiles = true;
    bool window = true;
    bool memory = true;
    bool pgIntake = true;
    bool smoke = false;
};

// `vrqtoqx7 --once` as a whole process, intake and export, against vrq_bench_floor.
void processBench(const BenchOptions& options, std::vector<Figure>& figures);
// `vrqtoqx7 --once` taking in calls on a PostgreSQL store of the bench server, against the same on SQLite;
// skipped with a note when no server runs.
void pgIntakeBench(const BenchOptions& options, std::vector<Figure>& figures);
void intakeBench(const BenchOptions& options, std::vector<Figure>& figures);
void exportBench(const BenchOptions& options, std::vector<Figure>& figures);
void windowBench(const BenchOptions& options, std::vector<Figure>& figures);
void memoryBench(const BenchOptions& options, std::vector<Figure>& figures);

} // namespace vrq::bench
