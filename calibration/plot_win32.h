#pragma once

#include <QImage>

#include "calibration/chart_layers.h"

class QPaintDevice;

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
    int width() const { return bitmap.width(); }
    int height() const { return bitmap.height(); }

private:
    QImage bitmap;
    QPaintDevice* target = nullptr;
};
