#pragma once

// gui_set ids of the program's pending and progress windows.
constexpr int GUI_PENDING_TEXT = 52;
constexpr int GUI_PENDING = 53;
constexpr int GUI_PROGRESS_TEXT = 54;
constexpr int GUI_PROGRESS = 55;
