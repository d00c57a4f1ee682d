#include "RegistryStore.h"
#include "TempFolders.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using Root = RegistryStore::Root;
using Type = RegistryStore::Type;

TEST(RegistryStore, ValuesRoundTripExactlyUnderCaseInsensitivePathsAndSeparateRoots)
{
    TempFolders dirs;
    const QString file = dirs.config() + "/reg.ini";
    FileRegistryStore store(file);
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\X", "v"));
    EXPECT_FALSE(QFileInfo::exists(file)) << "a query must not create the store";
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer",
                               {Type::String, " 030 = 12;34 \"x\" ", 0}));
    ASSERT_TRUE(store.setValue(Root::LocalMachine, "Software\\X", "Count", {Type::DWord, {}, 4000000000u}));

    const auto fax = store.value(Root::CurrentUser, "software\\avm\\FRITZ! 2.0\\fax", "RUFNUMMER");
    ASSERT_TRUE(fax);
    EXPECT_EQ(fax->type, Type::String);
    EXPECT_EQ(fax->text, " 030 = 12;34 \"x\" ") << "blanks, quotes and separators are kept exactly";
    EXPECT_EQ(store.value(Root::LocalMachine, "Software\\X", "count").value_or(RegistryStore::Value{}).dword,
              4000000000u);
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\X", "Count")) << "roots are separate";
}
