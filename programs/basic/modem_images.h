#pragma once

#include <QPixmap>

// The small pictures of the main window's modem panel, drawn at start-up so
// that the program carries no image files. name is the image's component name
// ("img_on", "img_csq3", ...); an unknown name gives a blank picture.
QPixmap modem_image(const char* name);

// Edge of every modem picture, in pixels.
constexpr int modem_image_size = 24;
