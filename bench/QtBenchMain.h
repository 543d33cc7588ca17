#pragma once
// The main() of a benchmark that draws widgets: offscreen, under one QApplication.

#include <QApplication>

#include <benchmark/benchmark.h>

namespace viscora::bench {

inline int qtBenchMain(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace viscora::bench
