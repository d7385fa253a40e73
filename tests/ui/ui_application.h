#pragma once

// The one QApplication of the test binary, made on first use and never
// destroyed: tearing it down among the exit handlers, after Qt's own statics,
// crashes once a key event has made the default input device.
void ensure_ui_application();
