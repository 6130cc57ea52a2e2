// fit_bench: the fit of an arrangement of 100, 300 and 1,000 icons on plain
// data. A 3840 x 2160 monitor at 100 % (50 x 28 cells) with icon i on
// cell 37 i mod 1400, spread over both halves, fitted to the same monitor at
// 150 % and to 1920 x 1080: milliseconds per fit, and the growth exponent k
// from 100 to 1,000 (1.0 is linear).
#include <windows.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include "engine/ArrangementFit.h"

static FitMonitor Monitor(LONG width, LONG height, LONG spacing)
{
    return { L"\\\\?\\DISPLAY#BENCH", { 0, 0, width, height }, { 0, 0, width, height - 40 }, { spacing, spacing } };
}

int main()
{
    const std::vector<int> sizes = { 100, 300, 1000 };
    for (LONG target : { 113, 75 }) {
        printf("fit to %s:", target == 113 ? "3840 x 2160 at 150 %" : "1920 x 1080");
        std::vector<double> perFit;
        for (int size : sizes) {
            FitSnapshot snapshot = { L"Layout 3840 x 2160 (48)", 1, { Monitor(3840, 2160, 75) }, {} };
            for (int i = 0; i < size; ++i) {
                const std::wstring path = L"C:\\Users\\bench\\Desktop\\Icon " + std::to_wstring(i) + L".txt";
                snapshot.icons.emplace_back();
                snapshot.icons.back().Path = path.c_str();
                snapshot.icons.back().Name = path.c_str() + 23;
                snapshot.icons.back().Monitor = 0;
                snapshot.icons.back().XCoord = 21 + 37 * i % 1400 / 28 * 75;
                snapshot.icons.back().YCoord = 2 + 37 * i % 1400 % 28 * 75;
            }
            const std::vector<FitSnapshot> snapshots = { snapshot };
            const std::vector<FitMonitor> setup = { target == 113 ? Monitor(3840, 2160, 113) : Monitor(1920, 1080, 75) };
            int fits = 0;
            size_t placed = 0;
            const auto start = std::chrono::steady_clock::now();
            const auto seconds = [start] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
            for (; seconds() < 0.25; ++fits)
                placed = FitArrangement(snapshots, setup).icons.size();
            perFit.push_back(seconds() / fits);
            printf("  N=%d %.3f ms (%zu placed)", size, perFit.back() * 1000, placed);
        }
        printf("  k %.2f\n", std::log(perFit.back() / perFit.front()) / std::log(10.0));
    }
    return 0;
}
