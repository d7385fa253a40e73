#pragma once

#include <string>

class QWidget;

// Grabs the widget as it is drawn offscreen into grabs/<name>.png beside the test binary,
// for a reviewer to look at; a failed test when the grab is empty or blank.
void expect_grab(QWidget* widget, const std::string& name);
