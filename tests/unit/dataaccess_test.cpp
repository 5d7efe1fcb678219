#include "dataaccess.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// The data directory holds the users file and is the working directory of syncers run as LocalSystem: only
// SYSTEM and Administrators may change anything there, whatever the parent allows.
TEST(DataDirectoryAccess, OwnedByAdministratorsWritableByThemAlone)
{
    const std::string sddl = DATA_DIRECTORY_SDDL;
    const size_t list = sddl.find('(');
    ASSERT_NE(std::string::npos, list) << sddl;
    EXPECT_EQ("O:BAD:P", sddl.substr(0, list));  // protected: nothing inherited from the drive's root

    // type;inheritance;rights;;;trustee, in any order
    std::set<std::string> entries;
    for (size_t open = list, close; open < sddl.size(); open = close + 1) {
        ASSERT_EQ('(', sddl[open]) << sddl;
        close = sddl.find(')', open);
        ASSERT_NE(std::string::npos, close) << sddl;
        entries.insert(sddl.substr(open + 1, close - open - 1));
    }
    EXPECT_EQ((std::set<std::string>{"A;OICI;FA;;;SY", "A;OICI;FA;;;BA", "A;OICI;FRFX;;;BU"}), entries);
}
