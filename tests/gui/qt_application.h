#pragma once

// The one QApplication of the GUI test binary, made on first use and kept
// until the binary ends (widgets need it; Qt allows only one).
void ensure_qt_application();
