#pragma once

#include <QImage>

#include "calibration/chart_layers.h"

#include <QPoint>

class QPaintDevice;

// The plot area in pixels, where the unit square of the layers is drawn.
struct Tplot_area {
    int left, top, width, height;
    int x(double u) const { return left + static_cast<int>(u * width); }
    int y(double v) const { return top + static_cast<int>((1 - v) * height); }
};

// A chart drawn into an off-screen 24-bit image, then copied in one go onto
// its target (a widget), so that the window does not flicker.
class Tplot_win32 : public Tplot {
public:
    Tplot_win32();

    // Not owned; null: the chart is only drawn into its image.
    void setCanvas(QPaintDevice* target_in) { target = target_in; }
    // Sizes below 1 count as 1.
    void setSize(int width, int height) override;
    void draw() override;

    const QImage& image() const { return bitmap; }
    // The pixel of a point (u, v) of the unit square, as the last draw placed it.
    QPoint pixelOf(double u, double v) const;
    int width() const { return bitmap.width(); }
    int height() const { return bitmap.height(); }

private:
    QImage bitmap;
    QPaintDevice* target = nullptr;
    Tplot_area area{0, 0, 1, 1};
};
