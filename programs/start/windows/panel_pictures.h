#pragma once

#include <QPixmap>

// The pictures of the "USB" and "Settings" selector panels and pages, drawn at
// start-up so that the program carries no image files: a USB plug and a gear,
// in a square of edge pixels.
QPixmap usb_picture(int edge);
QPixmap settings_picture(int edge);

// Edge of the pictures, in pixels.
constexpr int panel_picture_size = 50;
