#pragma once

#include <vector>

#include "calibration/fluo_sample.h"

// The stored samples of a calibration run, by solution (row) and concentration
// (level); within a cell in the order they were stored.
//   rows:   0 water and turbidity standards, 1 the tracers of lamp A (Uranine,
//           Eosine), 2 of lamp B (SulforhodamineB, AmidorhodamineG), 3 the
//           probe configuration's third tracer
//   levels: 0 "0 NTU"; 1-3 "1", "10", "100" of NTU or ppb; 4 "1000 ppb";
//           5 "10 ppm"; 6 "100 ppm"
class Tfluo_sample_grid {
public:
    static constexpr int rows = 4;
    static constexpr int levels = 7;
    static constexpr int no_cell = -1;

    // The row of a tracer under a probe configuration, the level of a
    // concentration code; no_cell when there is none.
    static int rowOf(int tracer, int configuration);
    static int levelOf(int concentration);
    // The third lamp's tracer of a configuration (1-3), else 0.
    static int thirdTracer(int configuration);
    // The rows' letters: 'T' (water and turbidity), 'A', 'B', 'C' (the lamps' tracers).
    static char rowLetter(int row);
    static int rowOfLetter(char letter);

    // A copy of the sample in its cell; false (nothing stored) when it fits none.
    bool store(const Tfluo_sample& sample, int configuration);
    void clear();
    // The cell's samples; an empty cell outside the grid.
    const std::vector<Tfluo_sample>& cell(int row, int level) const;
    // Every stored sample, row by row, level by level, in cell order.
    std::vector<const Tfluo_sample*> all() const;
    unsigned count() const;

private:
    std::vector<Tfluo_sample> cells[rows][levels];
};
