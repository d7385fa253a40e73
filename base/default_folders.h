#pragma once

// The suite's default folders as a setup file written on Windows names them;
// local_path() (base/paths.h) gives each its place under $HOME.
inline constexpr const char* default_folder_data_bin = "c:\\vornhal\\data_bin";
inline constexpr const char* default_folder_data_xml = "c:\\vornhal\\data_xml";
inline constexpr const char* default_folder_transactions = "c:\\vornhal\\transactions";
