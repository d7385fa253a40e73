// The default folders of the module resource, the master and the transaction
// files, and folders given to them as settings: a Windows drive path goes
// under $HOME, never into a folder named with backslashes.
#include <gtest/gtest.h>

#include <string>

#include "base/my_string.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "link/transaction_file.h"
#include "tests/support/temp_dir.h"

TEST(DefaultFolders, WindowsFoldersLieUnderHome)
{
    Ttemp_home home;
    Tmodule_resource module;
    Tcalyxo_master master;
    master.module = &module;
    EXPECT_EQ(std::string(module.path_bin), home.path() + "/vornhal/data_bin");
    EXPECT_EQ(std::string(master.path_xml.c_str()), home.path() + "/vornhal/data_xml");
    Tmy_string folder;
    transaction_folder(&folder);
    EXPECT_EQ(std::string(folder.c_str()), home.path() + "/vornhal/transactions");

    // Settings read from a file written on Windows.
    master.setParameter("path_bin", "d:\\downloads\\bin");
    master.setParameter("path_xml", "c:\\vornhal\\xml");
    EXPECT_EQ(std::string(module.path_bin), home.path() + "/downloads/bin");
    EXPECT_EQ(std::string(master.path_xml.c_str()), home.path() + "/vornhal/xml");
    // A folder of this platform stays as it is.
    module.setParameter("path_bin", "/srv/calyxo/bin");
    EXPECT_STREQ(module.path_bin, "/srv/calyxo/bin");
}
