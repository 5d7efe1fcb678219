#include "dataaccess.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// The data directory holds the users file and is the working directory of syncers run as LocalSystem: only
// SYSTEM and Administrators may change anything there, whatever the drive's root allows.
TEST(DataDirectoryAccess, OwnedByAdministratorsWritableByThemAlone)
{
    const std::string sddl = DATA_DIRECTORY_SDDL;
    const size_t list = sddl.find('(');
    EXPECT_EQ("O:BAD:P", sddl.substr(0, list));  // protected: nothing inherited from the root

    std::set<std::string> entries;  // type;inheritance;rights;;;trustee, in any order
    for (size_t open = list, close; open < sddl.size() && (close = sddl.find(')', open)) != sddl.npos;
         open = close + 1)
        entries.insert(sddl.substr(open, close + 1 - open));
    EXPECT_EQ((std::set<std::string>{"(A;OICI;FA;;;SY)", "(A;OICI;FA;;;BA)", "(A;OICI;FRFX;;;BU)"}), entries);
}
