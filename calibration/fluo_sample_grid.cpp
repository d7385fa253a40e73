#include "calibration/fluo_sample_grid.h"

namespace {

const char row_letters[Tfluo_sample_grid::rows + 1] = "TABC";

}  // namespace

char Tfluo_sample_grid::rowLetter(int row)
{
    return row >= 0 && row < rows ? row_letters[row] : '?';
}

int Tfluo_sample_grid::rowOfLetter(char letter)
{
    for (int row = 0; row < rows; ++row)
        if (row_letters[row] == letter)
            return row;
    return no_cell;
}

int Tfluo_sample_grid::thirdTracer(int configuration)
{
    switch (configuration) {
    case 1:
        return TRACER_AMINO_G_ACID;
    case 2:
        return TRACER_NAPHTIONATE;
    case 3:
        return TRACER_NAPHTHALENE_DISULFONATE;
    default:
        return 0;
    }
}

int Tfluo_sample_grid::rowOf(int tracer, int configuration)
{
    switch (tracer) {
    case TRACER_WATER:
        return 0;
    case TRACER_URANINE:
    case TRACER_EOSINE:
        return 1;
    case TRACER_SULFORHODAMINE_B:
    case TRACER_AMIDORHODAMINE_G:
        return 2;
    default:
        return tracer != 0 && tracer == thirdTracer(configuration) ? 3 : no_cell;
    }
}

int Tfluo_sample_grid::levelOf(int concentration)
{
    switch (concentration) {
    case CONCENTRATION_0_NTU:
        return 0;
    case CONCENTRATION_1_NTU:
    case CONCENTRATION_1_PPB:
        return 1;
    case CONCENTRATION_10_NTU:
    case CONCENTRATION_10_PPB:
        return 2;
    case CONCENTRATION_100_NTU:
    case CONCENTRATION_100_PPB:
        return 3;
    case CONCENTRATION_1000_PPB:
        return 4;
    case CONCENTRATION_10_PPM:
        return 5;
    case CONCENTRATION_100_PPM:
        return 6;
    default:
        return no_cell;
    }
}

bool Tfluo_sample_grid::store(const Tfluo_sample& sample, int configuration)
{
    const int row = rowOf(sample.tracer, configuration);
    const int level = levelOf(sample.concentration);
    if (row == no_cell || level == no_cell)
        return false;
    cells[row][level].push_back(sample);
    return true;
}

void Tfluo_sample_grid::clear()
{
    for (auto& row : cells)
        for (auto& cell : row)
            cell.clear();
}

const std::vector<Tfluo_sample>& Tfluo_sample_grid::cell(int row, int level) const
{
    static const std::vector<Tfluo_sample> empty;
    if (row < 0 || row >= rows || level < 0 || level >= levels)
        return empty;
    return cells[row][level];
}

std::vector<const Tfluo_sample*> Tfluo_sample_grid::all() const
{
    std::vector<const Tfluo_sample*> out;
    for (const auto& row : cells)
        for (const auto& cell : row)
            for (const Tfluo_sample& sample : cell)
                out.push_back(&sample);
    return out;
}

unsigned Tfluo_sample_grid::count() const
{
    unsigned n = 0;
    for (const auto& row : cells)
        for (const auto& cell : row)
            n += static_cast<unsigned>(cell.size());
    return n;
}
