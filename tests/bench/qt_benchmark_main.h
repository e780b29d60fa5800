#pragma once
// The main of a benchmark that drives the program's window: offscreen unless a platform is named, the
// program's own style, then every benchmark of the file.

#include "gui/app_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

#define MIVO_QT_BENCHMARK_MAIN()                                                                             \
    int main(int argc, char** argv) {                                                                        \
        setenv("QT_QPA_PLATFORM", "offscreen", 0);                                                           \
        QApplication app(argc, argv);                                                                        \
        useProgramStyle();                                                                                   \
        benchmark::Initialize(&argc, argv);                                                                  \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
