#pragma once

#include <QPixmap>

// The small pictures of the main window's modem panel, drawn at start-up so
// that the program carries no image files. name is the image's component name
// ("img_on", "img_csq3", ...); an unknown name gives a blank picture.
QPixmap modem_image(const char* name);

// The pictures in their four groups (power and SIM, signal, network, data
// connection); the pictures of a group share one place on the panel.
constexpr int modem_image_group_count = 4;
constexpr int modem_image_group_size = 7;
// Each group's names, ended by a null.
extern const char* const modem_image_groups[modem_image_group_count][modem_image_group_size + 1];

// Edge of every modem picture, in pixels.
constexpr int modem_image_size = 24;
