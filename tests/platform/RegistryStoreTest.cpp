#include "RegistryStore.h"
#include "TempFolders.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using Root = RegistryStore::Root;
using Type = RegistryStore::Type;

TEST(RegistryStore, StringAndDwordValuesRoundTripWithCaseInsensitivePaths)
{
    TempFolders dirs;
    FileRegistryStore store(dirs.config() + "/reg.ini");
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer",
                               {Type::String, " 030 = 12;34 \"x\" ", 0}));
    ASSERT_TRUE(store.setValue(Root::LocalMachine, "Software\\X", "Count", {Type::DWord, {}, 4000000000u}));

    const auto fax = store.value(Root::CurrentUser, "software\\avm\\FRITZ! 2.0\\fax", "RUFNUMMER");
    ASSERT_TRUE(fax);
    EXPECT_EQ(fax->type, Type::String);
    EXPECT_EQ(fax->text, " 030 = 12;34 \"x\" ") << "blanks, quotes and separators are kept exactly";

    const auto count = store.value(Root::LocalMachine, "Software\\X", "count");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->dword, 4000000000u);
}

TEST(RegistryStore, RootsAreSeparateAndMissingThingsGiveNothingAndCreateNothing)
{
    TempFolders dirs;
    const QString file = dirs.config() + "/reg.ini";
    FileRegistryStore store(file);
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\Missing", "v"));
    EXPECT_FALSE(QFileInfo::exists(file)) << "a query must not create the store";
    store.setValue(Root::CurrentUser, "Software\\A", "v", {Type::String, "1", 0});
    EXPECT_FALSE(store.value(Root::LocalMachine, "Software\\A", "v"));
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\A", "w"));
}
